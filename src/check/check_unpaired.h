#ifndef PAGETALLY_CHECK_CHECK_UNPAIRED_H
#define PAGETALLY_CHECK_CHECK_UNPAIRED_H

// Pages and lines that the other side lacks: each a step that differs, and a report that names
// the listing's line where the page would go, or the line too many.

#include "check/check_state.h"

// P is not in the listing: it would go before the line ahead, `line`, or at the listing's end.
void page_not_in_listing(check_state& c, const page_sums& page, const queued_line* line);

// L is not in the image.
void page_not_in_image(check_state& c, const queued_line& line);

// L and the line after it, `other`, stand for the next two pages the other way round.
void lines_exchanged(check_state& c, const queued_line& line, const queued_line& other);

// One side has ended: the other's next page or line, and all after it, are counted; one report,
// once they are, says how many.
void one_side_ended(check_state& c, const page_sums* page, const queued_line* line);

#endif
