#ifndef PAGETALLY_PAGE_RECORD_H
#define PAGETALLY_PAGE_RECORD_H

// The line data sums (a line's checksum less its seed: what its eight bytes add) of the image's
// pages and of the listing lines they were compared with, page by page in the order the check
// took them: what a failed check is explained from, since a page's data can be recognised at
// another address. Kept for the first record_pages pages; an image of more is not explained.

#include "listing_line.h"
#include "page_sums.h"

#include <cstddef>
#include <cstdint>
#include <memory>

constexpr std::size_t record_pages = 65536;

struct page_data {
    std::uint32_t lines; // bit i: the page has line i
    std::uint8_t sum[lines_per_page];
};

enum class listed_as : std::uint8_t {
    none, // the listing has no line for the page
    same, // the listing's line is exactly the page
    own   // the listing's line differs: its data is in `listing`
};

struct page_record {
    std::unique_ptr<page_data[]> image, listing; // memory that is not written stays unused
    std::unique_ptr<listed_as[]> listed;
    std::size_t count; // pages taken, also past record_pages
};

page_record start_record();

// The page's line data sums.
page_data data_of(const page_sums& page);

// Keeps the page, and the listing line it was compared with: null when none, or the same as the
// page, or its own, whose first checksum stands for the page's line `listing_first`.
void record_page(page_record& record, const page_sums& page, listed_as listed,
                 const listing_line* line = nullptr, unsigned listing_first = 0);

// The record is whole: it holds every page taken.
bool record_whole(const page_record& record);

// The data of the listing's line for page `k`; null when it has none.
const page_data* listing_data(const page_record& record, std::size_t k);

// Whether two pages' data are alike: the same lines, with the same sums.
bool same_data(const page_data& a, const page_data& b);

#endif
