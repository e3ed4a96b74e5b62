// A placed image: the text lines that gave its bytes, and its reader.

#include "image/image.h"

#include "image/image_runs.h"

#include <algorithm>
#include <cstring>

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

std::uint32_t next_file_byte(const image& image, std::uint32_t address) {
    if (image_empty(image)) {
        return address;
    }
    const std::uint32_t offset = address - image.origin;
    const image_run* runs = begin(image.runs);
    const image_run* after =
        std::upper_bound(runs, end(image.runs), offset,
                         [](std::uint32_t o, const image_run& run) { return o < run.offset; });
    if (after != runs && offset - (after - 1)->offset < (after - 1)->size) {
        return address; // it holds one
    }
    const image_run& last = image.runs.items[image.runs.count - 1];
    const std::uint32_t end_offset = last.offset + last.size;
    return image.origin +
           (after == end(image.runs) || offset >= end_offset ? end_offset : after->offset);
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
