#ifndef PAGETALLY_IMAGE_IMAGE_RUNS_H
#define PAGETALLY_IMAGE_IMAGE_RUNS_H

// The arithmetic of one run of an image, which its sources share: its text lines, packed into
// 64 bits as the first line's number (39 bits), whether the lines come down the addresses (1 bit),
// the first line's bytes (12 bits) and each later line's (12 bits). A text line gives at most
// 2048 bytes.

#include "image/image.h"

#include <cstdint>

constexpr std::uint64_t address_space = std::uint64_t{1} << 32;

struct run_lines {
    unsigned long long first; // 0 when the file is not text
    bool down;
    std::uint32_t first_size, line_size;
};

inline run_lines lines_of(const image_run& run) {
    return run_lines{run.lines >> 25, (run.lines >> 24 & 1) != 0,
                     static_cast<std::uint32_t>(run.lines >> 12 & 0xFFFu),
                     static_cast<std::uint32_t>(run.lines & 0xFFFu)};
}

inline std::uint64_t packed(const run_lines& lines) {
    return std::uint64_t{lines.first} << 25 | std::uint64_t{lines.down} << 24 |
           std::uint64_t{lines.first_size & 0xFFFu} << 12 | (lines.line_size & 0xFFFu);
}

// How many lines the run holds.
inline unsigned long long lines_held(const image_run& run, const run_lines& lines) {
    if (run.size <= lines.first_size || lines.line_size == 0) {
        return 1;
    }
    return 1 + (run.size - lines.first_size + lines.line_size - 1) / lines.line_size;
}

// The text line that gave byte `i` of the run, counting from its first address.
inline unsigned long long line_of(const image_run& run, std::uint64_t i) {
    const run_lines lines = lines_of(run);
    const std::uint64_t from_first = lines.down ? run.size - 1 - i : i;
    if (lines.first == 0 || from_first < lines.first_size) {
        return lines.first;
    }
    return lines.first + 1 + (from_first - lines.first_size) / lines.line_size;
}

// The run's distance from the image's base, once placed.
inline std::uint32_t offset_of(const image& image, const image_run& run) {
    return run.address - image.base;
}

#endif
