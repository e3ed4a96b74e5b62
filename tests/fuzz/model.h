#ifndef PAGETALLY_TESTS_FUZZ_MODEL_H
#define PAGETALLY_TESTS_FUZZ_MODEL_H

// A plain model of the listing: it places every byte at its unwrapped 64-bit address and lists,
// for every page the file reaches into, the whole aligned lines in it, counting positions
// before the start as zero.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

inline std::string hex_byte(std::uint32_t value) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", static_cast<unsigned>(value & 0xFF));
    return text;
}

inline std::string model_listing(std::uint32_t start, const std::uint8_t* data, std::size_t size) {
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

// The lines of a listing, without their newlines.
inline std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return lines;
}

#endif
