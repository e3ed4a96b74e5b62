#include "image/prg.h"

namespace {

// Reads up to `size` bytes, fewer only at the end; -1 when reading failed.
long read_full(text_source in, std::uint8_t* bytes, std::size_t size) {
    std::size_t got = 0;
    while (got < size) {
        const long n = in.read(in.state, reinterpret_cast<char*>(bytes) + got, size - got);
        if (n <= 0) {
            return n < 0 ? -1 : static_cast<long>(got);
        }
        got += static_cast<std::size_t>(n);
    }
    return static_cast<long>(got);
}

} // namespace

image_error read_prg(text_source in, image& out) {
    std::uint8_t load[2];
    const long head = read_full(in, load, sizeof load);
    if (head < 2) {
        return head < 0 ? read_fault() : fault_at(image_fault::no_load_address, 0);
    }
    return read_raw_bytes(in, static_cast<std::uint32_t>(load[0] | load[1] << 8), out);
}

image_error read_raw_bytes(text_source in, std::uint32_t at, image& out) {
    for (;;) {
        std::uint8_t piece[std::size_t{1} << 14];
        const long n = in.read(in.state, reinterpret_cast<char*>(piece), sizeof piece);
        if (n <= 0) {
            return n < 0 ? read_fault() : image_error{};
        }
        if (put_bytes(out, at, piece, static_cast<std::size_t>(n), 0) != put_result::stored) {
            return put_fault(out);
        }
        at += static_cast<std::uint32_t>(n);
    }
}
