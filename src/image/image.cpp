#include "image/image.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr std::uint64_t address_space = std::uint64_t{1} << 32;

std::uint64_t end_of(const image_run& run, std::uint64_t start) {
    return start + run.size;
}

// The text line that gave byte `i` of the run.
unsigned long long line_of(const image_run& run, std::uint64_t i) {
    if (run.line == 0 || i < run.first_size) {
        return run.line;
    }
    return run.line + 1 + (i - run.first_size) / run.line_size;
}

// The run without its first `n` bytes (fewer than its size).
image_run without_front(image_run run, std::uint32_t n) {
    if (n < run.first_size) { // always so for a run that is not text: it is one line
        run.first_size -= n;
    } else {
        const std::uint32_t later = n - run.first_size;
        run.line += 1 + later / run.line_size;
        run.first_size = run.line_size - later % run.line_size;
    }
    run.address += n;
    run.offset += n;
    run.bytes += n;
    run.size -= n;
    return run;
}

// Whether line `line`, giving `n` bytes at `address` from `bytes` on, goes on with `run`.
bool goes_on(const image_run& run, std::uint32_t address, const std::uint8_t* bytes, std::size_t n,
             unsigned long long line) {
    if (run.bytes + run.size != bytes || std::uint64_t{run.address} + run.size != address) {
        return false;
    }
    if (line == 0 || run.line == 0) {
        return line == run.line;
    }
    if (run.size == run.first_size) {
        return line == run.line + 1;
    }
    const std::uint32_t later = run.size - run.first_size;
    return later % run.line_size == 0 && n <= run.line_size &&
           line == run.line + later / run.line_size + 1;
}

void add_run(image& image, std::uint32_t address, const std::uint8_t* bytes, std::uint32_t n,
             unsigned long long line) {
    if (image.open_line && !image.runs.empty() &&
        goes_on(image.runs.back(), address, bytes, n, line)) {
        image_run& run = image.runs.back();
        if (run.line != 0 && run.size == run.first_size) {
            run.line_size = n;
        } else if (run.line == 0) {
            run.first_size += n;
        }
        run.size += n;
        return;
    }
    image.runs.push_back(image_run{address, n, bytes, line, n, 0, 0});
    image.open_line = true;
}

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

void chunk_release::operator()(std::uint8_t* bytes) const {
    if (give_back != nullptr) {
        give_back(bytes);
    } else {
        delete[] bytes;
    }
}

std::uint8_t* image_room(image& image, std::size_t n) {
    if (image.chunks.empty() || image_chunk_size - image.used < n) {
        // Not zeroed: every byte is written before it is read.
        std::uint8_t* chunk = image.memory.take != nullptr ? image.memory.take()
                                                           : new (std::nothrow)
                                                                 std::uint8_t[image_chunk_size];
        if (chunk == nullptr) {
            return nullptr;
        }
        image.chunks.emplace_back(chunk, chunk_release{image.memory.give_back});
        image.used = 0;
        image.open_line = false;
    }
    return image.chunks.back().get() + image.used;
}

void add_bytes(image& image, std::uint32_t address, std::size_t n, unsigned long long line) {
    const std::uint8_t* bytes = image.chunks.back().get() + image.used;
    image.used += n;
    const std::uint64_t below_wrap = address_space - address;
    if (n > below_wrap) {
        add_run(image, address, bytes, static_cast<std::uint32_t>(below_wrap), line);
        bytes += below_wrap;
        n -= below_wrap;
        address = 0;
        image.open_line = false; // a new run, its first line the same line
    }
    if (n > 0) {
        add_run(image, address, bytes, static_cast<std::uint32_t>(n), line);
    }
}

std::optional<image_conflict> first_conflict(image& image) {
    std::sort(image.runs.begin(), image.runs.end(), [](const image_run& a, const image_run& b) {
        return a.address != b.address ? a.address < b.address : a.line < b.line;
    });
    image.open_line = false;
    std::optional<image_conflict> first;
    std::vector<const image_run*> open; // runs that reach past the start of the next
    for (const image_run& run : image.runs) {
        open.erase(std::remove_if(open.begin(), open.end(),
                                  [&run](const image_run* o) {
                                      return end_of(*o, o->address) <= run.address;
                                  }),
                   open.end());
        for (const image_run* earlier : open) {
            const auto conflict = first_difference(*earlier, run);
            if (conflict && (!first || comes_first(*conflict, *first))) {
                first = conflict;
            }
        }
        open.push_back(&run);
    }
    return first;
}

void place_image(image& image, std::uint32_t base, std::uint32_t origin) {
    image.base = base;
    image.origin = origin;
    image.open_line = false;
    std::vector<image_run> placed;
    placed.reserve(image.runs.size() + 1);
    for (image_run run : image.runs) {
        run.offset = run.address - base;
        const std::uint64_t below_wrap = address_space - run.offset;
        if (run.size > below_wrap) {
            image_run front = run;
            front.size = static_cast<std::uint32_t>(below_wrap);
            front.first_size = std::min(front.first_size, front.size);
            placed.push_back(front);
            run = without_front(run, static_cast<std::uint32_t>(below_wrap));
        }
        placed.push_back(run);
    }
    std::sort(placed.begin(), placed.end(), [](const image_run& a, const image_run& b) {
        return a.offset != b.offset ? a.offset < b.offset : a.line < b.line;
    });
    // Bytes that two runs give are alike: the first run keeps them.
    image.runs.clear();
    std::uint64_t end = 0;
    for (const image_run& run : placed) {
        const std::uint64_t run_end = end_of(run, run.offset);
        if (run_end <= end) {
            continue;
        }
        image.runs.push_back(run.offset < end
                                 ? without_front(run, static_cast<std::uint32_t>(end - run.offset))
                                 : run);
        end = run_end;
    }
}

std::uint32_t lowest_address(const image& image) {
    std::uint32_t lowest = image.runs.empty() ? 0 : image.runs.front().address;
    for (const image_run& run : image.runs) {
        lowest = std::min(lowest, run.address);
    }
    return lowest;
}

std::uint32_t image_start(const image& image) {
    return image.origin + (image.runs.empty() ? 0 : image.runs.front().offset);
}

unsigned long long text_line_of(const image& image, std::uint32_t address) {
    const std::uint32_t offset = address - image.origin;
    const auto after =
        std::upper_bound(image.runs.begin(), image.runs.end(), offset,
                         [](std::uint32_t o, const image_run& run) { return o < run.offset; });
    if (after == image.runs.begin()) {
        return 0;
    }
    const image_run& run = *(after - 1);
    return offset - run.offset < run.size ? line_of(run, offset - run.offset) : 0;
}

namespace {

read_result fill_run(image_reader& r, std::uint64_t n, byte_run& out) {
    out.bytes = r.fill;
    out.size = static_cast<std::size_t>(n);
    r.at += n;
    return read_result::bytes;
}

read_result next_image_run(void* state, byte_run& out) {
    auto& r = *static_cast<image_reader*>(state);
    const image& image = *r.source;
    if (r.run == image.runs.size()) {
        return read_result::end;
    }
    const image_run& run = image.runs[r.run];
    out = byte_run{};
    if (r.at < run.offset) {
        // Between two runs: fill to the end of this page, pass over pages that hold no byte,
        // and fill the next run's page up to it. Pages are those of the placed addresses.
        const std::uint64_t here = image.origin + r.at;
        const std::uint64_t there = image.origin + std::uint64_t{run.offset};
        if (here >> 8 == there >> 8) {
            return fill_run(r, run.offset - r.at, out);
        }
        if ((here & 0xFF) != 0) {
            return fill_run(r, page_size - (here & 0xFF), out);
        }
        r.at = run.offset - (there & 0xFF);
        out.moved = true;
        out.address = static_cast<std::uint32_t>(image.origin + r.at);
        if (r.at < run.offset) {
            return fill_run(r, run.offset - r.at, out);
        }
    }
    out.bytes = run.bytes;
    out.size = run.size;
    r.at = end_of(run, run.offset);
    ++r.run;
    return read_result::bytes;
}

} // namespace

image_reader read_image(const image& image, std::uint8_t fill) {
    image_reader reader{&image, 0, image.runs.empty() ? 0 : image.runs.front().offset, {}};
    std::memset(reader.fill, fill, sizeof reader.fill);
    return reader;
}

byte_source image_bytes(image_reader& reader) {
    return byte_source{next_image_run, &reader};
}

byte_source image_from_start(void* state) {
    auto& again = *static_cast<image_replay*>(state);
    again.reader = read_image(*again.source, again.fill);
    return image_bytes(again.reader);
}
