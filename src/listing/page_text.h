#ifndef PAGETALLY_LISTING_PAGE_TEXT_H
#define PAGETALLY_LISTING_PAGE_TEXT_H

#include "walk/page_sums.h"

#include <cstddef>

// The length of a page's text of `count` line checksums, without its newline: "XX " for each
// line, then ": XX".
constexpr std::size_t page_text_length(unsigned count) {
    return 3 * std::size_t{count} + 4;
}

// Longest page text, with its newline.
constexpr std::size_t page_text_max = page_text_length(lines_per_page) + 1;

// Room that a page's text needs: up to three scratch bytes may follow the line.
constexpr std::size_t page_text_room = page_text_max + 3;

// Writes the page's text line into `text` (page_text_room bytes, not NUL-terminated) and
// returns its length: each whole line's checksum as two uppercase hexadecimal digits and a
// space, in line order, then a colon, a space, the total in two digits, and a newline.
std::size_t format_page(const page_sums& sums, char* text);

// Writes the text lines of `count` pages one after another into `text` (count * page_text_max
// bytes and three more) and returns their length: as format_page does each, faster.
std::size_t format_pages(const page_sums* pages, std::size_t count, char* text);

#endif
