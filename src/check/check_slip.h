#ifndef PAGETALLY_CHECK_CHECK_SLIP_H
#define PAGETALLY_CHECK_CHECK_SLIP_H

// The slips in the image: found from the lines just past them; the check then goes on with the
// image realigned from there.

#include "check/check_pair.h"
#include "check/check_state.h"

#include <optional>

// The slip that line `i` of P begins, when the image fits the listing a little later at another
// shift: bytes too many (> 0) or missing (< 0). P's listing line L is the first line ahead, its
// first checksum standing for the page's line `listing_first`.
std::optional<int> slip_at(check_state& c, const page_sums& page, const queued_line& line,
                           unsigned listing_first, unsigned i);

// Whether a slip of `shift` bytes at line `i` of P fits the lines after it.
bool slip_fits_at(check_state& c, const page_sums& page, const queued_line& line,
                  unsigned listing_first, unsigned i, int shift);

// The first of `lines` (indexes of P, `n` of them, in order) at which a slip of `shift` bytes
// fits too: a slip found at a later line may begin there, where bytes that repeat hid it.
unsigned earliest_slip(check_state& c, const page_sums& page, const queued_line& line,
                       unsigned listing_first, const unsigned* lines, unsigned n, unsigned i,
                       int shift);

// Reports the slip at line `i` of P, and returns where the image realigned begins: B, three
// lines on. The rest of P's lines, or of the next page's, are compared when the realigned image
// gives them.
found_slip realign_at(check_state& c, const page_sums& page, const pair_result& r, unsigned i,
                      int shift);

#endif
