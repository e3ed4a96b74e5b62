#ifndef PAGETALLY_LISTING_LISTING_H
#define PAGETALLY_LISTING_LISTING_H

#include "walk/page_walk.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The listing text: one line per page, gathered and written to `out` in large writes, or after
// every delivery of pages when `each_page` is set (for a terminal, where a reader waits for
// them). A page that does not follow the page before it (the input passed over pages that hold
// no byte) has its address as a label, "ADDR: ". One listing at a time: the gathered text lies
// in one static buffer.
struct listing_text {
    std::FILE* out;
    bool each_page;
    std::size_t used;            // bytes gathered in the buffer
    bool failed;                 // `out` refused the text; the consumer has stopped the walk
    bool listed = false;         // a page has been listed
    std::uint32_t next_page = 0; // the address of the page after the last one listed
};

page_consumer listing_consumer(listing_text& text);

// Writes the text still gathered and flushes `out`; false if `out` refused any of the listing.
bool finish_listing(listing_text& text);

#endif
