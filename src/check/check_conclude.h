#ifndef PAGETALLY_CHECK_CHECK_CONCLUDE_H
#define PAGETALLY_CHECK_CHECK_CONCLUDE_H

// The lines that end a check whose steps are all taken: when a step differed, what explains it
// or what the image's bytes show; then how many steps matched.

#include "check/check_state.h"

check_status conclude(check_state& c);

#endif
