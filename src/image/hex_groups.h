#ifndef PAGETALLY_IMAGE_HEX_GROUPS_H
#define PAGETALLY_IMAGE_HEX_GROUPS_H

// The parts of a line of typed hex: groups of characters between blanks, address labels, and
// groups of bytes.

#include "image/image_error.h"

#include <cstddef>
#include <cstdint>

// A run of characters that are not blanks: text[begin, end).
struct group {
    std::size_t begin, end;
};

bool starts_comment(char c);

// The next group from `at` on, before `end`; empty at the end.
group next_group(const char* text, std::size_t at, std::size_t end);

// How many hexadecimal digits text[at, end) begins with.
std::size_t digits_from(const char* text, std::size_t at, std::size_t end);

// The value of the `n` digits from text[at] on.
std::uint32_t value_of(const char* text, std::size_t at, std::size_t n);

// A label that ends in a mark: an optional "$", "&" or "0x", 1 to 8 digits, then ":" or "-".
// Returns how many characters of the group it takes, or 0; `digits` is how many it holds.
std::size_t marked_label(const char* text, group g, std::uint32_t& address, unsigned& digits);

// A first group of 4 to 8 digits is a label when every later group is exactly two digits, and
// there is one at least.
bool bare_label(const char* text, group first, std::size_t end, std::uint32_t& address,
                unsigned& digits);

// Reads the data group text[begin, end) into `bytes` from bytes[n] on, and moves `n` past them;
// a fault at a character that is not a digit, or for an odd number of digits.
image_error read_group(const char* text, std::size_t begin, std::size_t end,
                       unsigned long long line, std::uint8_t* bytes, std::size_t& n);

#endif
