#ifndef PAGETALLY_CHECK_CHECK_PAIR_H
#define PAGETALLY_CHECK_CHECK_PAIR_H

// One page of the image compared with the listing line that stands for it: which file is wrong,
// and which lines differ. A listing line adds up when its total is the sum of its checksums, each
// less its line's seed; the image always adds up, so a line that adds up points at the image.

#include "listing/listing_line.h"
#include "walk/page_sums.h"

#include <cstdint>

enum class pair_verdict {
    same,                // the same checksums and total
    image_wrong,         // the listing line adds up: the image's differing lines are wrong
    listing_checksum,    // the line does not add up; one checksum differs, the totals agree
    listing_total,       // the line does not add up; only the totals differ
    both_wrong,          // the line does not add up, and neither of the above explains it
    total_only,          // a line of the page total alone, which differs
    partial_page,        // the listing has all 32 checksums, the page fewer: compared by line
    checksum_missing,    // the listing lacks the checksum of the page's line at `position`
    checksum_extra,      // the listing's checksum at `position` is one too many
    checksums_exchanged, // the line adds up, and holds the checksums of lines `position` and
                         // `other` the other way round
    counts_differ        // the numbers of checksums differ otherwise
};

struct pair_result {
    pair_verdict verdict;
    bool adds_up;
    unsigned listing_first;  // the page's line that the listing's first checksum stands for
    std::uint32_t differing; // bit i: the page's line i differs from the listing's checksum of it
    unsigned position;       // of the checksum missing or too many, from the longer side's first
    unsigned other;          // the second line of checksums exchanged
};

// How many bits are set.
unsigned count_bits(std::uint32_t bits);

// What the address of the line at `address` adds to its checksum: bits 8 to 15 plus bits 0 to 7.
std::uint8_t line_seed(std::uint32_t address);

// Whether the listing line adds up, its first checksum standing for line `first` of the page at
// `page`; a line without checksums adds up when its total is 00.
bool adds_up(const listing_line& line, std::uint32_t page, unsigned first);

// The page's lines, from line `from` on, that differ from the listing's checksums of them; the
// listing's first checksum stands for line `listing_first`, and lines it has none for are alike.
std::uint32_t differing_lines(const page_sums& page, const listing_line& line,
                              unsigned listing_first, unsigned from);

pair_result compare_pair(const page_sums& page, const listing_line& line);

// One edit of a typed byte: `typed` typed where `fits` would make its line fit.
struct digit_edit {
    std::uint32_t address;
    std::uint8_t fits, typed;
};

// The edits that fit, none when there are more than three.
struct digit_edits {
    unsigned count;
    digit_edit edit[3];
};

// The single edits of a line's typed digits that would add `difference` to its checksum: one
// digit typed for its look-alike (0 and 8, 0 and D, 1 and 7, 3 and 8, 5 and 6, 6 and B, 8 and B,
// C and E, E and F), or a byte's two digits exchanged. `bytes` are the line's 8 bytes, the first
// at `address`; bit i of `typed` tells that byte i was typed, and of `marked` that a character
// of it was no digit. Those of marked bytes first, as the likelier; each in address order.
digit_edits find_edits(const std::uint8_t* bytes, unsigned typed, unsigned marked,
                       std::uint32_t address, std::uint8_t difference);

#endif
