#ifndef PAGETALLY_EXPLAIN_H
#define PAGETALLY_EXPLAIN_H

// What explains a failed check, from the listing's line sums alone: text read as raw bytes, an
// address line stuck, inverted or exchanged with another, data lines exchanged or inverted, a
// header before the image. An explanation fits when the image, read as the fault says, makes
// every page of the image equal its listing line: their line data sums alike.

#include "explain/page_record.h"
#include "walk/page_walk.h"

#include <cstddef>
#include <cstdint>

// The image's bytes once more, from its first: `restart` makes a source that delivers them
// again; null when the image cannot be read again.
struct image_again {
    byte_source (*restart)(void* state);
    void* state;
    // Reads up to `size` bytes from the image's byte `offset` on, and returns how many (0 at its
    // end, -1 when reading failed); null when the image cannot be read at an offset (an image
    // read whole is walked again instead, and has no header looked for).
    long (*read_at)(void* state, std::uint64_t offset, void* buffer, std::size_t size) = nullptr;
    void* read_state = nullptr;
};

struct failed_check {
    page_record& record;
    const std::uint8_t* first_bytes; // the image's first bytes, `kept` of them
    std::size_t kept;
    bool raw;            // the image is raw bytes, which may be text read as raw
    std::uint32_t start; // where the image's first byte lies
    image_again again;
    bool mended; // slips were mended: the image's own pages are read again for the address lines
    std::size_t differing = 0; // the first page that differs from its listing line, once known
};

// Writes the first explanation that fits, in this order, into `text` (NUL-terminated, at most
// `size` bytes) and returns true; false when none does. Text read as raw; then address lines of
// the page count (A8 up, within the image's span: each stuck at 0 or 1 or inverted, then every
// two exchanged), the same for the line within a page (A3 to A7); then data lines (every two
// exchanged, all inverted, one inverted); then a header of 17 to 4096 bytes, the smallest.
bool explain_failure(const failed_check& check, char* text, std::size_t size);

// The first line of raw bytes, when it is text in a format: "Intel HEX", "S-record" or "hex" and
// the option that reads it; null when it is none.
const char* looks_like_text(const std::uint8_t* bytes, std::size_t n, const char*& option);

// The listing's start address as typed, when it is decimal digits only after an optional sign:
// true, and its value modulo 2^32.
bool typed_in_decimal(const char* text, std::uint32_t& value);

#endif
