#ifndef PAGETALLY_IMAGE_IMAGE_RUNS_H
#define PAGETALLY_IMAGE_IMAGE_RUNS_H

// The arithmetic of one run of an image, which its sources share.

#include "image/image.h"

#include <cstdint>

constexpr std::uint64_t address_space = std::uint64_t{1} << 32;

// Where the run ends, when it begins at `start`.
inline std::uint64_t end_of(const image_run& run, std::uint64_t start) {
    return start + run.size;
}

// The text line that gave byte `i` of the run.
inline unsigned long long line_of(const image_run& run, std::uint64_t i) {
    if (run.line == 0 || i < run.first_size) {
        return run.line;
    }
    return run.line + 1 + (i - run.first_size) / run.line_size;
}

// The run without its first `n` bytes (fewer than its size).
inline image_run without_front(image_run run, std::uint32_t n) {
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

#endif
