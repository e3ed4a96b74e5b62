#ifndef PAGETALLY_CHECK_CHECK_START_H
#define PAGETALLY_CHECK_CHECK_START_H

// The start address: when the listing's first line is a page line unlike the image's first
// page, the start address given may be wrong, and if the listing fits exactly one other, that is
// all the check says.

#include "check/check_state.h"

// Judges the image's first page against the listing's first line; false while the search waits
// for the image's first bytes.
bool judge_first_page(check_state& c, const page_sums& page, const queued_line& first);

#endif
