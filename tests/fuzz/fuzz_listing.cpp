// The page listing against a plain model of the memory image. Input: four bytes of start address
// (little-endian), then the file's bytes. The model places every byte at its unwrapped 64-bit
// address and lists, for every page the file reaches into, the whole aligned lines in it.
#include "listing.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string hex_byte(std::uint32_t value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(value & 0xFF));
    return text;
}

std::string model_listing(std::uint32_t start, const std::uint8_t* data, std::size_t size) {
    std::string text;
    if (size == 0) {
        return text;
    }
    const std::uint64_t begin = start;
    const std::uint64_t end = begin + size;
    const std::uint64_t first_line = begin & ~std::uint64_t{7};
    for (std::uint64_t page = begin & ~std::uint64_t{0xFF}; page < end; page += 256) {
        std::uint32_t total = 0;
        // Lines that lie wholly within the file, counting positions before the start as zero.
        for (std::uint64_t line = std::max(page, first_line); line < page + 256 && line + 8 <= end;
             line += 8) {
            std::uint32_t sum = static_cast<std::uint32_t>(((line >> 8) & 0xFF) + (line & 0xFF));
            for (std::uint64_t a = line; a < line + 8; ++a) {
                const std::uint32_t byte = a < begin ? 0 : data[a - begin];
                sum += byte;
                total += byte;
            }
            text += hex_byte(sum) + " ";
        }
        text += ": " + hex_byte(total) + "\n";
    }
    return text;
}

std::string listing_of(std::uint32_t start, const std::uint8_t* data, std::size_t size) {
    std::FILE* in = size == 0 ? std::fopen("/dev/null", "rb")
                              : fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    char* buffer = nullptr;
    std::size_t length = 0;
    std::FILE* out = open_memstream(&buffer, &length);
    if (in == nullptr || out == nullptr) {
        std::abort();
    }
    if (list_page_checksums(in, start, out) != listing_status::complete) {
        std::fputs("the listing of a memory stream did not complete\n", stderr);
        std::abort();
    }
    std::fclose(in);
    std::fclose(out);
    std::string text(buffer, length);
    std::free(buffer);
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint32_t start = 0;
    const std::size_t header = std::min<std::size_t>(size, 4);
    for (std::size_t i = 0; i < header; ++i) {
        start |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    }
    const std::string got = listing_of(start, data + header, size - header);
    const std::string want = model_listing(start, data + header, size - header);
    if (got != want) {
        std::fprintf(stderr, "start %08X, %zu bytes\ngot:\n%s\nwant:\n%s\n", start, size - header,
                     got.c_str(), want.c_str());
        std::abort();
    }
    return 0;
}
