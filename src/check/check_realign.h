#ifndef PAGETALLY_CHECK_CHECK_REALIGN_H
#define PAGETALLY_CHECK_CHECK_REALIGN_H

// The image realigned past a slip: a walk of its bytes placed anew, which the check takes in
// place of the image's own pages. Each function is false when the check has ended.

#include "check/check_state.h"

#include <cstddef>

// Walks the image realigned from the slip over the pages kept since, and again from each later
// slip found among them.
bool walk_realigned_from(check_state& c, found_slip slip);

// Walks the image's next pages, placed anew.
bool take_realigned(check_state& c, const page_sums* pages, std::size_t count);

// Ends the walk: its last page, and again after each later slip.
bool end_realigned_walk(check_state& c);

#endif
