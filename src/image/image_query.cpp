// A placed image: the text lines that gave its bytes, and its reader.

#include "image/image.h"

#include "image/image_runs.h"

#include <algorithm>
#include <cstring>

namespace {

// The first run that lies past `offset` from the image's base.
const image_run* run_after(const image& image, std::uint32_t offset) {
    return std::upper_bound(
        begin(image.runs), end(image.runs), offset,
        [&image](std::uint32_t o, const image_run& run) { return o < offset_of(image, run); });
}

} // namespace

unsigned long long text_line_of(const image& image, std::uint32_t address) {
    const std::uint32_t offset = address - image.origin;
    const image_run* after = run_after(image, offset);
    if (after == begin(image.runs)) {
        return 0;
    }
    const image_run& run = *(after - 1);
    const std::uint32_t i = offset - offset_of(image, run);
    return i < run.size ? line_of(run, i) : 0;
}

std::uint32_t next_file_byte(const image& image, std::uint32_t address) {
    if (image_empty(image)) {
        return address;
    }
    const std::uint32_t offset = address - image.origin;
    const image_run* after = run_after(image, offset);
    if (after != begin(image.runs) && offset - offset_of(image, *(after - 1)) < (after - 1)->size) {
        return address; // it holds one
    }
    const image_run& last = image.runs.items[image.runs.count - 1];
    const std::uint64_t end_offset = std::uint64_t{offset_of(image, last)} + last.size;
    return image.origin + static_cast<std::uint32_t>(
                              after == end(image.runs) ? end_offset : offset_of(image, *after));
}

image_span span_of(const image& image) {
    if (image_empty(image)) {
        return image_span{image.origin, image.origin, image.origin};
    }
    image_span span{image_start(image), 0, 0};
    for (const image_run& run : image.runs) {
        const std::uint64_t from = std::uint64_t{image.origin} + offset_of(image, run);
        const std::uint64_t to = from + run.size - 1; // past FFFFFFFF when it wraps
        span.last = static_cast<std::uint32_t>(to);
        span.highest =
            std::max(span.highest, to > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<std::uint32_t>(to));
    }
    return span;
}

namespace {

read_result fill_run(image_reader& r, std::uint64_t n, byte_run& out) {
    out.bytes = r.fill;
    out.size = static_cast<std::size_t>(n);
    out.fill = true;
    r.at += n;
    return read_result::bytes;
}

// The run's bytes from the image's distance `at` from base on, up to the run's end or the end
// of the chunk they lie in.
void run_bytes(const image& image, const image_run& run, std::uint64_t at, byte_run& out) {
    const std::uint32_t address = image.base + static_cast<std::uint32_t>(at);
    const std::uint32_t in_chunk = address & (image_chunk_size - 1);
    const std::uint64_t left = std::uint64_t{offset_of(image, run)} + run.size - at;
    out.bytes = image.store.chunks[address / image_chunk_size] + in_chunk;
    out.size = static_cast<std::size_t>(std::min<std::uint64_t>(left, image_chunk_size - in_chunk));
}

read_result next_image_run(void* state, byte_run& out) {
    auto& r = *static_cast<image_reader*>(state);
    const image& image = *r.source;
    if (r.run == image.runs.count) {
        return read_result::end;
    }
    const image_run& run = image.runs.items[r.run];
    const std::uint64_t offset = offset_of(image, run);
    out = byte_run{};
    if (r.at < offset) {
        // Between two runs: fill to the end of this page, pass over pages that hold no byte,
        // and fill the next run's page up to it. Pages are those of the placed addresses.
        const std::uint64_t here = image.origin + r.at;
        const std::uint64_t there = image.origin + offset;
        if (here >> 8 == there >> 8) {
            return fill_run(r, offset - r.at, out);
        }
        if ((here & 0xFF) != 0) {
            return fill_run(r, page_size - (here & 0xFF), out);
        }
        r.at = offset - (there & 0xFF);
        out.moved = true;
        out.address = static_cast<std::uint32_t>(image.origin + r.at);
        if (r.at < offset) {
            return fill_run(r, offset - r.at, out);
        }
    }
    run_bytes(image, run, r.at, out);
    r.at += out.size;
    r.run += r.at == offset + run.size ? 1 : 0;
    return read_result::bytes;
}

} // namespace

image_reader read_image(const image& image, std::uint8_t fill) {
    image_reader reader{
        &image, 0, image_empty(image) ? 0 : offset_of(image, image.runs.items[0]), {}};
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
