// Writing round trip. Input: one byte of format choices, four of a first address, then pieces:
// a byte of gap (in 16-byte steps, more when its top bit is set), a byte of length less one,
// and that many bytes. The sparse image they make, walked and written in each format, reads
// back to the same bytes at the same addresses: the records' formats keep its holes, raw and
// prg hold them as the fill byte from its first address to its last.
#include "image/image_formats.h"
#include "memory_input.h"
#include "write/write_walk.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

namespace {

using bytes_at = std::map<std::uint32_t, std::uint8_t>;

bool append(void* state, const char* data, std::size_t size) {
    static_cast<std::string*>(state)->append(data, size);
    return true;
}

void expect(bool holds, const char* what, image_format format) {
    if (!holds) {
        std::fprintf(stderr, "%s, written as format %d\n", what, static_cast<int>(format));
        std::abort();
    }
}

// The image written in `format` by the walk that lists it, as the tool writes it.
std::string written(const image& source, image_format format) {
    const image_span span = span_of(source);
    std::string out;
    image_writer writer;
    start_writing(writer, write_plan{format, 0xA5, span.first, span.highest, "\r\n"},
                  write_sink{append, &out});
    walk_writing walk{&writer, no_consumer(), image_start(source)};
    image_reader reader = read_image(source, 0xA5);
    walk_pages(image_bytes(reader), image_start(source), writing_consumer(walk));
    expect(finish_writing(writer), "the writer failed", format);
    return out;
}

bytes_at bytes_of(const image& read) {
    bytes_at bytes;
    for (const image_run& run : read.runs) {
        for (std::uint32_t i = 0; i < run.size; ++i) {
            const std::uint32_t at = read.origin + (run.address - read.base) + i;
            bytes[at] = read.store.chunks[(run.address + i) / image_chunk_size]
                                         [(run.address + i) % image_chunk_size];
        }
    }
    return bytes;
}

// The image's bytes from its first address to its last, the holes filled.
std::string filled(const bytes_at& bytes, const image_span& span) {
    std::string raw;
    for (std::uint32_t at = span.first;; ++at) {
        const auto it = bytes.find(at);
        raw += static_cast<char>(it != bytes.end() ? it->second : 0xA5);
        if (at == span.last) {
            return raw;
        }
    }
}

void read_back(const image& source, const bytes_at& want, image_format format) {
    const std::string file = written(source, format);
    const image_span span = span_of(source);
    if ((format == image_format::raw || format == image_format::prg) &&
        span.last - span.first > (1u << 16)) {
        return; // the holes filled would be too large to hold here
    }
    if (format == image_format::raw) {
        expect(image_empty(source) ? file.empty() : file == filled(want, span),
               "the raw image is not the bytes, filled", format);
        return;
    }
    if (format == image_format::prg && span.highest > 0xFFFF) {
        return; // refused before it is written
    }
    image back{};
    text_input in{file, 7, false, 0};
    const image_error error =
        read_image_file(format, text_source{read_piece, &in}, std::nullopt, back);
    expect(error.fault == image_fault::none, "what was written is refused", format);
    if (format == image_format::prg) {
        expect(
            image_empty(source) || bytes_of(back) ==
                                       [&] {
                                           bytes_at all;
                                           const std::string raw = filled(want, span);
                                           for (std::size_t i = 0; i < raw.size(); ++i) {
                                               all[span.first + static_cast<std::uint32_t>(i)] =
                                                   static_cast<std::uint8_t>(raw[i]);
                                           }
                                           return all;
                                       }(),
            "the .prg reads back to other bytes", format);
        return;
    }
    expect(bytes_of(back) == want, "what was written reads back to other bytes", format);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) {
        return 0;
    }
    std::uint32_t at =
        data[1] | data[2] << 8 | data[3] << 16 | static_cast<std::uint32_t>(data[4]) << 24;
    image source{};
    bytes_at want;
    std::size_t i = 5;
    while (i + 2 <= size && want.size() < 4096) {
        at += data[i] & 0x80 ? (data[i] & 0x7F) << 12 : data[i] * 16u;
        const std::size_t n = std::min<std::size_t>(data[i + 1] + 1u, size - i - 2);
        if (n == 0) {
            break;
        }
        for (std::size_t k = 0; k < n; ++k) {
            want.emplace(at + static_cast<std::uint32_t>(k), data[i + 2 + k]);
        }
        if (put_bytes(source, at, data + i + 2, n, 0) != put_result::stored) {
            return 0; // an address given twice, other bytes: not an image
        }
        at += static_cast<std::uint32_t>(n);
        i += 2 + n;
    }
    const std::uint32_t first = first_address(source);
    place_image(source, first, first);
    for (const image_format format : {image_format::raw, image_format::prg, image_format::ihex,
                                      image_format::srec, image_format::hex}) {
        if ((data[0] >> static_cast<int>(format) & 1) == 0) {
            read_back(source, want, format);
        }
    }
    return 0;
}
