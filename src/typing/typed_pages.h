#ifndef PAGETALLY_TYPING_TYPED_PAGES_H
#define PAGETALLY_TYPING_TYPED_PAGES_H

// The bytes typed so far, kept at the pages of the listing they are typed against, and how each
// line and page of them stands against it.

#include "typing/listing_table.h"
#include "walk/page_sums.h"

#include <cstddef>
#include <cstdint>

struct typed_page {
    std::uint8_t bytes[page_size];
    std::uint64_t typed[page_size / 64]; // bit i of word i / 64: position i holds a typed byte
    std::uint32_t forced; // bit i: line i, which differs from the listing, accepted as typed
    bool told;            // what is wrong with the page's listing line has been said
};

// The typed bytes: one page for each page line of the listing, in its order. Positions before
// the first typed byte of its line count as zero, as in a check.
struct typed_pages {
    const listing_table* table;
    typed_page* pages;    // table->pages.count of them
    std::uint64_t count;  // typed bytes
    std::uint32_t origin; // where typing began: positions before it in its line count as zero
};

// Pages for the table, none typed; false when there is no memory for them. free_pages frees them.
bool make_pages(typed_pages& typed, const listing_table& table);
void free_pages(typed_pages& typed);

// The typed page of the listing's page at `address`, null when the listing has none there.
typed_page* typed_page_at(const typed_pages& typed, std::uint32_t address);

bool is_typed(const typed_pages& typed, std::uint32_t address);

// The first address from `address` on that holds no typed byte (where typing goes on after a
// line that filled a hole up to typed bytes).
std::uint32_t next_untyped(const typed_pages& typed, std::uint32_t address);

// Puts `n` bytes from `address` on, but for those typed already or in no page of the listing;
// takes typed bytes away again.
void put_typed(typed_pages& typed, std::uint32_t address, const std::uint8_t* bytes, std::size_t n);
void take_typed(typed_pages& typed, std::uint32_t address, std::size_t n);

// One 8-byte line as typed, against the listing.
struct line_view {
    std::uint32_t address;
    const table_page* page;        // null when the listing has no page there
    bool complete;                 // a byte of it typed, every other position before the origin
    bool listed;                   // the listing has a checksum for it
    std::uint8_t bytes[line_size]; // those not typed are zero
    unsigned typed;                // bit i: byte i is typed
    std::uint8_t checksum, listed_checksum;
    bool forced;
};
line_view view_line(const typed_pages& typed, std::uint32_t address);

// The line of the page that the listing line's first checksum stands for: on the page where
// typing began, with fewer than 32 checksums, the line it began on; else 0.
unsigned first_listed(const typed_pages& typed, const table_page& page);

// How a page of the listing stands: `lines` of its listed lines complete, of `listed`;
// complete, when every one of them is; and whether they and its total match the listing, or
// only one checksum differs, of a listing line that does not add up, and the total agrees.
struct page_view {
    unsigned lines, listed;
    bool any_typed, complete, matches;
    std::uint8_t total;
};
page_view view_page(const typed_pages& typed, const table_page& page);

#endif
