#ifndef PAGETALLY_TYPING_TYPING_BYTES_H
#define PAGETALLY_TYPING_TYPING_BYTES_H

// A typed line's bytes held against the listing: accepted when every line they complete
// matches it, else refused with the report of the first that does not.

#include "image/hex_text.h"
#include "typing/typing.h"

#include <cstddef>

// Takes the typed line's bytes at `at`, its text `line`: puts them and makes the event that
// adds the line to the typed text (into `text`, `size` bytes), or refuses them. `forced` (for
// "+") accepts as typed a differing line on a page whose listing line does not add up.
typing_event take_bytes(typing_session& s, std::uint32_t at, const hex_line& h,
                        const text_line& line, bool forced, char* text, std::size_t size);

// Whether the page's listing line adds up, its first checksum for the line first_listed says.
bool page_adds_up(const typed_pages& typed, const table_page& page);

// The typed text's line that gave the byte at `address`, 0 when none did; `state` is the
// session. For the reports about the typed text.
unsigned long long typed_text_line(const void* state, std::uint32_t address);

#endif
