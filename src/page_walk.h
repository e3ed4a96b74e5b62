#ifndef PAGETALLY_PAGE_WALK_H
#define PAGETALLY_PAGE_WALK_H

#include "page_sums.h"

#include <cstddef>
#include <cstdint>

// A run of input bytes, valid until its source is asked for the next one. A run goes on from
// the address where the run before it ended, unless it has `moved`: then it begins at `address`,
// past addresses that hold no byte of the input.
struct byte_run {
    const std::uint8_t* bytes;
    std::size_t size;
    bool moved = false;
    std::uint32_t address = 0;
};

enum class read_result { bytes, end, failed };

// The input, in order: each call of `next` delivers a run of at least one byte (result
// `bytes`), or reports the end of the input or a failure.
struct byte_source {
    read_result (*next)(void* state, byte_run& run);
    void* state;
};

// Takes the sums of the pages in the input's order; returns false to stop the walk. When `see` is
// set, it is shown every run of the input, in order, before the pages that the run completes. Pages
// come with their bits_and and bits_or while `bits` points at true: they cost time that only some
// consumers need to spend, and only for a while.
struct page_consumer {
    bool (*take)(void* state, const page_sums* pages, std::size_t count);
    void* state;
    void (*see)(void* state, const byte_run& run);
    const bool* bits;
};

enum class walk_status {
    complete,    // the input ended; every page it reached into was handed over
    read_failed, // the input failed; the pages before the failing read were handed over
    stopped      // the consumer stopped the walk
};

// Walks the input viewed as a memory image whose first byte lies at `start`: the sums of every
// 256-byte page of the address space that it reaches into, handed to `out` as soon as the run
// that completes them has been read. Bytes that fill no whole line before a run that has moved,
// and at the end, are not summed; positions before the first byte and before a moved run's first
// byte in their line count as zero.
walk_status walk_pages(byte_source in, std::uint32_t start, page_consumer out);

#endif
