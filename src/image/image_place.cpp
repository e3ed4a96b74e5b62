// An image's runs, once read: the first conflict between them, and where they lie.

#include "image/image.h"

#include "image/image_runs.h"

#include <algorithm>

namespace {

// The first byte, by address, that `earlier` and `later` (which begins within `earlier`) give
// different values: it has the least later line of all their differing bytes, since the lines
// of a run grow with the address.
std::optional<image_conflict> first_difference(const image_run& earlier, const image_run& later) {
    const std::uint32_t skip = later.address - earlier.address;
    const std::uint32_t n = std::min(earlier.size - skip, later.size);
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint8_t a = earlier.bytes[skip + i];
        const std::uint8_t b = later.bytes[i];
        if (a != b) {
            const unsigned long long line_a = line_of(earlier, skip + i);
            const unsigned long long line_b = line_of(later, i);
            return line_a < line_b ? image_conflict{line_b, later.address + i, b, line_a, a}
                                   : image_conflict{line_a, later.address + i, a, line_b, b};
        }
    }
    return std::nullopt;
}

bool comes_first(const image_conflict& a, const image_conflict& b) {
    if (a.line != b.line) {
        return a.line < b.line;
    }
    return a.address != b.address ? a.address < b.address : a.earlier_line < b.earlier_line;
}

} // namespace

bool first_conflict(image& image, std::optional<image_conflict>& conflict) {
    std::sort(begin(image.runs), end(image.runs), [](const image_run& a, const image_run& b) {
        return a.address != b.address ? a.address < b.address : a.line < b.line;
    });
    image.open_line = false;
    conflict.reset();
    grow_array<const image_run*> open; // runs that reach past the start of the next
    for (const image_run& run : image.runs) {
        open.count = static_cast<std::size_t>(std::remove_if(begin(open), end(open),
                                                             [&run](const image_run* o) {
                                                                 return end_of(*o, o->address) <=
                                                                        run.address;
                                                             }) -
                                              begin(open));
        for (const image_run* earlier : open) {
            const auto found = first_difference(*earlier, run);
            if (found && (!conflict || comes_first(*found, *conflict))) {
                conflict = found;
            }
        }
        if (!push(open, &run)) {
            return false;
        }
    }
    return true;
}

bool place_image(image& image, std::uint32_t base, std::uint32_t origin) {
    image.base = base;
    image.origin = origin;
    image.open_line = false;
    grow_array<image_run> placed;
    if (!reserve(placed, image.runs.count + 1)) {
        return false;
    }
    for (image_run run : image.runs) {
        run.offset = run.address - base;
        const std::uint64_t below_wrap = address_space - run.offset;
        if (run.size > below_wrap) {
            image_run front = run;
            front.size = static_cast<std::uint32_t>(below_wrap);
            front.first_size = std::min(front.first_size, front.size);
            push(placed, front); // within the room reserved
            run = without_front(run, static_cast<std::uint32_t>(below_wrap));
        }
        push(placed, run);
    }
    std::sort(begin(placed), end(placed), [](const image_run& a, const image_run& b) {
        return a.offset != b.offset ? a.offset < b.offset : a.line < b.line;
    });
    // Bytes that two runs give are alike: the first run keeps them.
    image.runs.count = 0;
    std::uint64_t covered = 0; // the end of the runs kept
    for (const image_run& run : placed) {
        const std::uint64_t run_end = end_of(run, run.offset);
        if (run_end <= covered) {
            continue;
        }
        image.runs.items[image.runs.count++] =
            run.offset < covered
                ? without_front(run, static_cast<std::uint32_t>(covered - run.offset))
                : run;
        covered = run_end;
    }
    for (image_note& note : image.notes) {
        note.address = origin + (note.address - base);
        note.from = origin + (note.from - base);
    }
    std::stable_sort(begin(image.notes), end(image.notes),
                     [&image](const image_note& a, const image_note& b) {
                         return a.address - image.origin < b.address - image.origin;
                     });
    return true;
}
