#ifndef PAGETALLY_EXPLAIN_EXPLANATION_H
#define PAGETALLY_EXPLAIN_EXPLANATION_H

// What explains a failed check, as a value that the check's writer words.

#include <cstddef>

enum class explanation_kind {
    text_read_as_raw,        // the raw image is text of `format`, which `option` reads
    address_line,            // address line A`a` reads as 0 or 1 (`reads`), or is inverted
    address_lines_exchanged, // address lines A`a` and A`b`
    data_lines_exchanged,    // data lines D`a` and D`b`
    every_bit_inverted,      // every data bit of every byte
    bit_inverted,            // data bit `a` of every byte
    header                   // the image fits without its first `bytes` bytes
};

struct explanation {
    explanation_kind kind;
    const char* format; // "Intel HEX", "S-record" or "hex"
    const char* option; // "--format ihex", ...
    unsigned a, b;
    int reads; // of an address line: 0 or 1, or -1 when it is inverted
    std::size_t bytes;
};

#endif
