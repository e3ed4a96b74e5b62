#ifndef PAGETALLY_EXPLAIN_EXPLAIN_H
#define PAGETALLY_EXPLAIN_EXPLAIN_H

// What explains a failed check, from the listing's line sums alone: text read as raw bytes, an
// address line stuck, inverted or exchanged with another, data lines exchanged or inverted, a
// header before the image. An explanation fits when the image, read as the fault says, makes
// every page of the image equal its listing line: their line data sums alike.

#include "explain/explain_reread.h"
#include "explain/explanation.h"
#include "explain/failed_check.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// The first explanation that fits, in this order; none when none does. Text read as raw; then
// address lines of the page count (A8 up, within the image's span: each stuck at 0 or 1 or
// inverted, then every two exchanged), the same for the line within a page (A3 to A7); then data
// lines (every two exchanged, all inverted, one inverted); then a header of 17 to 4096 bytes, the
// smallest. The image's pages that were not kept must have been read again (read_pages_again);
// `image` tells when reading its own pages again found it changed, or failed.
struct explain_outcome {
    std::optional<explanation> cause;
    reread image = reread::same;
};
explain_outcome explain_failure(const failed_check& check);

// The first line of raw bytes, when it is text in a format: "Intel HEX", "S-record" or "hex" and
// the option that reads it; null when it is none.
const char* looks_like_text(const std::uint8_t* bytes, std::size_t n, const char*& option);

// The listing's start address as typed, when it is decimal digits only after an optional sign:
// true, and its value modulo 2^32.
bool typed_in_decimal(const char* text, std::uint32_t& value);

#endif
