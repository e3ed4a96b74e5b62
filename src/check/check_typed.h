#ifndef PAGETALLY_CHECK_CHECK_TYPED_H
#define PAGETALLY_CHECK_CHECK_TYPED_H

// The typed lines of a text image, as a check sees them: the line that holds a byte, and two
// neighbouring lines typed the other way round.

#include "check/check_state.h"

#include <cstdint>
#include <optional>

// A typed line: the image's own address of its first byte, how many it gives, and its number.
struct typed_line {
    std::uint32_t from, size;
    unsigned long long number;
};

// The typed line that holds the image's byte at its own `address`, when the image is text and
// the line gives at most `most` bytes.
std::optional<typed_line> typed_line_at(const check_state& c, std::uint32_t address,
                                        std::uint32_t most);

// Two neighbouring typed lines exchanged, `first` and the one after it: the lines of the image
// as the rules compare it, [from, end), that exchanging them back makes fit the listing.
struct exchange {
    typed_line first, second;
    std::uint32_t from, end;
};

// The two typed lines about the line of P at index `i` that are exchanged, when exchanging them
// back makes every line they touch fit the listing (L's checksums from P's line
// `listing_first`, and the next page's line), two lines or more of them differing as they are.
std::optional<exchange> find_exchange(check_state& c, const page_sums& page,
                                      const queued_line& line, unsigned listing_first, unsigned i);

#endif
