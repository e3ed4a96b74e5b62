#ifndef PAGETALLY_CHECK_CHECK_INTAKE_H
#define PAGETALLY_CHECK_CHECK_INTAKE_H

// Pages into the check: those whose text the listing holds next, exactly as the tool writes it,
// are used up at once; the others go to the rules.

#include "check/check_state.h"

#include <cstddef>

struct intake {
    std::size_t taken; // pages taken, fewer than given when the rules found a slip
    rules_outcome outcome;
};

// Takes up to text_pages pages into the check. `own` tells that they are the image's own pages,
// not those of the image realigned: they are kept for a slip test.
intake take_some(check_state& c, const page_sums* pages, std::size_t count, bool own);

#endif
