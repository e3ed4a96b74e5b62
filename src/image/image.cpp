#include "image/image.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

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

bool add_run(image& image, std::uint32_t address, const std::uint8_t* bytes, std::uint32_t n,
             unsigned long long line) {
    image_run* last = image.runs.count > 0 ? &image.runs.items[image.runs.count - 1] : nullptr;
    if (image.open_line && last != nullptr && goes_on(*last, address, bytes, n, line)) {
        if (last->line != 0 && last->size == last->first_size) {
            last->line_size = n;
        } else if (last->line == 0) {
            last->first_size += n;
        }
        last->size += n;
        return true;
    }
    image.open_line = true;
    return push(image.runs, image_run{address, n, bytes, line, n, 0, 0});
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
        std::free(bytes);
    }
}

image_chunks::~image_chunks() {
    for (std::uint8_t* chunk : held) {
        release(chunk);
    }
}

std::uint8_t* image_room(image& image, std::size_t n) {
    image_chunks& chunks = image.chunks;
    if (chunks.held.count == 0 || image_chunk_size - image.used < n) {
        // Not zeroed: every byte is written before it is read.
        std::uint8_t* chunk = image.memory.take != nullptr
                                  ? image.memory.take()
                                  : static_cast<std::uint8_t*>(std::malloc(image_chunk_size));
        chunks.release = chunk_release{image.memory.give_back};
        if (chunk == nullptr || !push(chunks.held, chunk)) {
            chunks.release(chunk);
            return nullptr;
        }
        image.used = 0;
        image.open_line = false;
    }
    return chunks.held.items[chunks.held.count - 1] + image.used;
}

bool add_bytes(image& image, std::uint32_t address, std::size_t n, unsigned long long line) {
    const std::uint8_t* bytes = image.chunks.held.items[image.chunks.held.count - 1] + image.used;
    image.used += n;
    const std::uint64_t below_wrap = address_space - address;
    if (n > below_wrap) {
        if (!add_run(image, address, bytes, static_cast<std::uint32_t>(below_wrap), line)) {
            return false;
        }
        bytes += below_wrap;
        n -= below_wrap;
        address = 0;
        image.open_line = false; // a new run, its first line the same line
    }
    return n == 0 || add_run(image, address, bytes, static_cast<std::uint32_t>(n), line);
}

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
    std::uint64_t end = 0;
    for (const image_run& run : placed) {
        const std::uint64_t run_end = end_of(run, run.offset);
        if (run_end <= end) {
            continue;
        }
        image.runs.items[image.runs.count++] =
            run.offset < end ? without_front(run, static_cast<std::uint32_t>(end - run.offset))
                             : run;
        end = run_end;
    }
    return true;
}

bool image_empty(const image& image) {
    return image.runs.count == 0;
}

std::uint32_t lowest_address(const image& image) {
    std::uint32_t lowest = image_empty(image) ? 0 : image.runs.items[0].address;
    for (const image_run& run : image.runs) {
        lowest = std::min(lowest, run.address);
    }
    return lowest;
}

std::uint32_t image_start(const image& image) {
    return image.origin + (image_empty(image) ? 0 : image.runs.items[0].offset);
}

unsigned long long text_line_of(const image& image, std::uint32_t address) {
    const std::uint32_t offset = address - image.origin;
    const auto* const after =
        std::upper_bound(begin(image.runs), end(image.runs), offset,
                         [](std::uint32_t o, const image_run& run) { return o < run.offset; });
    if (after == begin(image.runs)) {
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
    if (r.run == image.runs.count) {
        return read_result::end;
    }
    const image_run& run = image.runs.items[r.run];
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
    image_reader reader{&image, 0, image_empty(image) ? 0 : image.runs.items[0].offset, {}};
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
