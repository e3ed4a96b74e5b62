#ifndef PAGETALLY_CHECK_CHECK_COMPARE_H
#define PAGETALLY_CHECK_CHECK_COMPARE_H

// A page of the image compared with the listing line that stands for it: the reports that say
// which file to mend, and where, looking for a slip at each line of the image that differs.

#include "check/check_state.h"

#include <optional>

// How a step ended: it waits for the next page, or was taken; and the slip it found, if any.
struct step_result {
    bool waits;
    std::optional<found_slip> slip;
};

// P and L stand for each other, and differ: what differs is reported; a slip found is returned,
// the rest of P left to the image realigned.
std::optional<found_slip> pair_differing(check_state& c, const page_sums& page,
                                         const queued_line& line);

// Compares the rest of a page after a slip; it waits for the page, or the next.
step_result take_rest(check_state& c);

#endif
