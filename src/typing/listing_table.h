#ifndef PAGETALLY_TYPING_LISTING_TABLE_H
#define PAGETALLY_TYPING_LISTING_TABLE_H

// A published listing read whole, for typing against it: its page lines placed at their pages,
// and its text kept, that the lines before a page can be checked again as a check reads them.

#include "image/grow_array.h"
#include "listing/listing_line.h"
#include "text/text_reader.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// A line of the listing that stands for a page: a checksum line, or one that is none (`line`
// invalid), which still takes its page's place.
struct table_page {
    listing_line line;
    unsigned long long number; // the listing's text line
    std::uint32_t address;     // of the page, once placed
    std::size_t text_end;      // the listing's text up to the end of this line
    // The text line of an earlier page line placed at the same page, 0 for none: this one is
    // not typed against.
    unsigned long long earlier;
};

struct listing_table {
    grow_array<table_page> pages;  // in the listing's order
    grow_array<std::size_t> order; // the pages' indexes in address order, once placed
    grow_array<char> text;         // every line as read, LF after each
};

enum class table_status { read, read_failed, no_memory, no_checksum_lines };

table_status read_table(text_reader& in, listing_table& table);

// The page of the first page line's label; none when it has none. (A label on a later line
// says where a page after a hole lies, not where the first one does.)
std::optional<std::uint32_t> first_label(const listing_table& table);

// Places the pages: each labelled one at its label's page, the first, unlabelled, at
// `first_page`, and each other after the page before it. False when there is no memory.
bool place_table(listing_table& table, std::uint32_t first_page);

// The page line placed at the page of `address`; null when none is (the first placed there).
const table_page* page_at(const listing_table& table, std::uint32_t address);

// The index of a page line in `pages`.
std::size_t index_of(const listing_table& table, const table_page& page);

#endif
