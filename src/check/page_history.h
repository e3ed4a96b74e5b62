#ifndef PAGETALLY_CHECK_PAGE_HISTORY_H
#define PAGETALLY_CHECK_PAGE_HISTORY_H

// The image's pages taken most recently, with their bytes: what a check still has to compare
// lies among them, and the image can be walked again from any byte they hold. Pages are kept as
// copies, or lent for as long as their bytes stay valid: lent pages follow the kept ones, and
// only the last of them are copied when the loan ends.

#include "walk/page_sums.h"
#include "walk/page_walk.h"

#include <cstddef>
#include <cstdint>

constexpr std::size_t history_pages = 16;

struct history_page {
    std::uint32_t address; // of its first byte
    unsigned size;         // its bytes, 1 to 256
    std::uint8_t bytes[page_size];
};

struct page_history {
    history_page pages[history_pages];
    std::size_t first, count;
    const page_sums* lent;
    std::size_t lent_count;
};

// Keeps the page's bytes, forgetting the oldest page when there are history_pages.
void remember_page(page_history& history, const page_sums& page);

// Lends `count` pages, whose bytes stay valid until give_back_pages.
void lend_pages(page_history& history, const page_sums* pages, std::size_t count);

// Ends the loan: the last history_pages of the lent pages are kept.
void give_back_pages(page_history& history);

// Copies up to `n` bytes that the pages hold one after another from `address` on; returns how
// many.
std::size_t recall_bytes(const page_history& history, std::uint32_t address, std::uint8_t* out,
                         std::size_t n);

// The bytes from `address` to the last one held, as runs in order, each with its address: each
// call of next_recalled gives the next, and false after the last. A run after a gap has moved.
struct history_reader {
    const page_history* history;
    std::size_t page;   // the next page, from the oldest
    unsigned from;      // its first byte to give
    std::uint32_t next; // where the bytes given so far end
};

history_reader recall_from(const page_history& history, std::uint32_t address);
bool next_recalled(history_reader& reader, byte_run& run);

#endif
