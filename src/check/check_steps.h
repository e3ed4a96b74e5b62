#ifndef PAGETALLY_CHECK_CHECK_STEPS_H
#define PAGETALLY_CHECK_CHECK_STEPS_H

// The stepping rules: which page of the image and which line of the listing stand for each
// other, when one side has a page that the other lacks.

#include "check/check_state.h"

// Takes steps while both sides have what the next one needs. Ends when the rules want the next
// pages, or found a slip, or the check has ended (or a line it needs could not be read, or a
// report could not be written).
rules_outcome advance(check_state& c);

#endif
