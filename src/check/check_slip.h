#ifndef PAGETALLY_CHECK_CHECK_SLIP_H
#define PAGETALLY_CHECK_CHECK_SLIP_H

// The slips in the image: found from the lines just past them; the check then goes on with the
// image realigned from there.

#include "check/check_pair.h"
#include "check/check_state.h"
#include "check/slip.h"

#include <cstdint>
#include <optional>

// The listing's checksums of P's lines from its first on, and of the pages after it as far as
// the image goes on with them, as far as a slip test at any of P's lines looks; and whether the
// listing's checksums end there. Taken once for all the slip tests of a page.
struct listed_after {
    std::uint8_t want[lines_per_page + slip_lines_seen]; // of P's line i, or i - 32 of the next
    std::uint64_t listed[2];                             // bit i of word i / 64: want[i] is held
    bool listing_ends;
    std::uint32_t listing_end;
};

// The lines listed after P's first: P's listing line L is the first line ahead, its first
// checksum standing for the page's line `listing_first`. Taken when a test first needs them, as
// the listing is read ahead for them.
listed_after lines_listed(check_state& c, const page_sums& page, const queued_line& line,
                          unsigned listing_first);

// The slip that line `i` of P begins, when the image fits the listing a little later at another
// shift: bytes too many (> 0) or missing (< 0).
std::optional<int> slip_at(check_state& c, const page_sums& page, const listed_after& listed,
                           unsigned i);

// Whether a slip of `shift` bytes at line `i` of P fits the lines after it.
bool slip_fits_at(check_state& c, const page_sums& page, const listed_after& listed, unsigned i,
                  int shift);

// The first of `lines` (indexes of P, `n` of them, in order) at which a slip of `shift` bytes
// fits too: a slip found at a later line may begin there, where bytes that repeat hid it.
unsigned earliest_slip(check_state& c, const page_sums& page, const listed_after& listed,
                       const unsigned* lines, unsigned n, unsigned i, int shift);

// Reports the slip at line `i` of P, and returns where the image realigned begins: B, three
// lines on. The rest of P's lines, or of the next page's, are compared when the realigned image
// gives them.
found_slip realign_at(check_state& c, const page_sums& page, const pair_result& r, unsigned i,
                      int shift);

#endif
