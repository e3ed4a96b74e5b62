#ifndef PAGETALLY_WALK_PAGE_WALK_H
#define PAGETALLY_WALK_PAGE_WALK_H

#include "walk/page_sums.h"

#include <cstddef>
#include <cstdint>

// A run of input bytes, valid until its source is asked for the next one. A run goes on from
// the address where the run before it ended, unless it has `moved`: then it begins at `address`,
// past addresses that hold no byte of the input.
// A run that is `fill` holds no byte of the input's own: an image's fill byte between the bytes
// it was given, which the walk sums as any other.
struct byte_run {
    const std::uint8_t* bytes;
    std::size_t size;
    bool moved = false;
    std::uint32_t address = 0;
    bool fill = false;
};

enum class read_result { bytes, end, failed };

// The input, in order: each call of `next` delivers a run of at least one byte (result
// `bytes`), or reports the end of the input or a failure.
struct byte_source {
    read_result (*next)(void* state, byte_run& run);
    void* state;
};

// Takes the sums of the pages in the input's order; returns false to stop the walk. The pages'
// bytes (page_sums::block) stay valid until `take` returns. When `see` is set, it is shown every
// run of the input, in order, before the pages that the run completes. Pages come with their
// bits_and and bits_or while `bits` points at true: they cost time that only some consumers need
// to spend, and only for a while.
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

// Pages are handed over in batches, so one call of the consumer serves many pages.
constexpr std::size_t batch_pages = 64;

// A walk over a memory image whose first byte lies at `start`, fed its runs one by one: the sums
// of every 256-byte page of the address space that the runs reach into, handed to the consumer
// as soon as the run that completes them is fed. Bytes that fill no whole line before a run that
// has moved, and at the end, are not summed; positions before the first byte and before a moved
// run's first byte in their line count as zero.
struct page_walker {
    page_consumer out;
    std::uint32_t address; // of the next byte to sum
    // A page gathered across runs, or the first page of an unaligned start: its bytes lie from
    // the position of `address` on, and the positions before that are zero.
    std::uint8_t block[page_size];
    std::size_t gathered;
    page_sums pages[batch_pages];
    std::size_t count;
};

void start_walk(page_walker& walker, std::uint32_t start, page_consumer out);

// Feeds the next run; false when the consumer has stopped the walk.
bool walk_run(page_walker& walker, const byte_run& run);

// Ends the walk: the page gathered so far is handed over. False when the consumer stopped it.
bool end_walk(page_walker& walker);

// Walks the input from its first run to its end or failure.
walk_status walk_pages(byte_source in, std::uint32_t start, page_consumer out);

#endif
