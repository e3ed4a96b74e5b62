#ifndef PAGETALLY_LISTING_H
#define PAGETALLY_LISTING_H

#include "page_walk.h"

#include <cstddef>
#include <cstdio>

// The listing text: one line per page, gathered and written to `out` in large writes, or after
// every delivery of pages when `each_page` is set (for a terminal, where a reader waits for
// them). One listing at a time: the gathered text lies in one static buffer.
struct listing_text {
    std::FILE* out;
    bool each_page;
    std::size_t used; // bytes gathered in the buffer
    bool failed;      // `out` refused the text; the consumer has stopped the walk
};

page_consumer listing_consumer(listing_text& text);

// Writes the text still gathered and flushes `out`; false if `out` refused any of the listing.
bool finish_listing(listing_text& text);

#endif
