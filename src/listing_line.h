#ifndef PAGETALLY_LISTING_LINE_H
#define PAGETALLY_LISTING_LINE_H

#include "page_sums.h"

#include <cstddef>
#include <cstdint>

// Longest line a listing may hold, not counting its line end.
constexpr std::size_t listing_line_max = 4096;

enum class line_kind {
    skip,   // blank, or a comment
    page,   // the checksums of one page
    invalid // not a checksum line
};

struct listing_line {
    line_kind kind;
    unsigned count;                        // checksums on a page line, 0 to 32
    std::uint8_t checksum[lines_per_page]; // checksum[i] is valid for i < count
    std::uint8_t total;
};

// Reads one line of a listing, given without its line end. Spaces and tabs are ignored anywhere.
// A line that is then empty, or that begins with '#', is skipped. A page line is 0 to 32
// checksums of two hexadecimal digits each (either case), a colon, then the page total in two
// digits, and nothing else. Any other line, and one longer than listing_line_max, is invalid.
listing_line parse_listing_line(const char* text, std::size_t length);

#endif
