#ifndef PAGETALLY_LISTING_LISTING_LINE_H
#define PAGETALLY_LISTING_LISTING_LINE_H

#include "text/text_reader.h"
#include "walk/page_sums.h"

#include <cstddef>
#include <cstdint>

enum class line_kind {
    skip,   // blank, or a comment
    page,   // the checksums of one page
    invalid // not a checksum line
};

// Why a line is not a checksum line: the first of these that applies, in this order.
enum class line_fault {
    none,
    too_long,      // more than text_line_max bytes
    no_total,      // no colon
    extra_colon,   // a third colon, at `column`
    bad_label,     // two colons, and the text before the first is not an address label
    bad_character, // `byte` at `column`: neither a hexadecimal digit nor the total's colon
    odd_digits,    // an odd number of checksum digits
    too_many,      // `checksums` checksums, more than 33 (a page's 32, and one too many)
    bad_total,     // the page total is not two digits
    cut_character, // read from UTF-16, the text ends inside a character
    lone_surrogate // read from UTF-16, a lone surrogate at `column`
};

struct listing_line {
    line_kind kind;
    unsigned count;                            // checksums on a page line, 0 to 33
    std::uint8_t checksum[lines_per_page + 1]; // checksum[i] is valid for i < count
    std::uint8_t total;
    char label[9]; // an address label's digits as typed, in upper case; empty without one
    line_fault fault;
    unsigned column; // from 1, counting bytes of the line
    unsigned char byte;
    unsigned checksums;
};

// Reads one line of a listing, given without its line end; a `length` above text_line_max
// stands for a line too long to keep, whose text is not read.
//
// A '#' or ';' starts a comment that runs to the end of the line. Spaces and tabs are ignored
// anywhere. A line that is then empty is skipped. A page line is an optional address label
// (an optional "$", "&", "0x" or "0X", 4 to 8 hexadecimal digits, and a colon), 0 to 33
// checksums of two hexadecimal digits each (33: a page's, and one typed too many) (either case), a
// colon, then the page total in two digits. Any other line is invalid, with the first fault that
// applies.
listing_line parse_listing_line(const char* text, std::size_t length);

// Reads a line as the text reader gave it: one that UTF-16 could not give whole is invalid.
listing_line read_listing_line(const text_line& text);

// Writes why an invalid line is not a checksum line ("no page total", "character 'g' at column
// 5", ...) into `text`, NUL-terminated, truncated to `size` bytes.
void describe_fault(const listing_line& line, char* text, std::size_t size);

#endif
