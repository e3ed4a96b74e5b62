#ifndef PAGETALLY_CHECK_CHECK_LINES_H
#define PAGETALLY_CHECK_CHECK_LINES_H

// The lines of a page P that differ from its listing line L, reported: the image's, with the
// slips and the typed lines exchanged among them, or the listing's.

#include "check/check_pair.h"
#include "check/check_state.h"

#include <cstdint>
#include <optional>

// Reports the image's lines of P that differ, in address order, looking at each for two typed
// lines exchanged (the lines after them fitting as they are), then for a slip: the slip when one
// was found, and the rest of the page is left to the image realigned. Without one, a page whose
// every line compared differs is one report, when `whole` allows it.
std::optional<found_slip> image_lines(check_state& c, const page_sums& page,
                                      const queued_line& line, const pair_result& r, bool whole);

// Reports the listing's lines that differ from P's, as one report when every line does.
void listing_lines(check_state& c, const page_sums& page, const queued_line& line,
                   const pair_result& r, bool whole);

// Reports that the image holds `count` of the page's lines.
void holds_lines(check_state& c, std::uint32_t page, unsigned count);

// A page that holds more or fewer lines than its listing line may hold a slip: a line doubled,
// or left out, in a program of one page. Its lines are compared from the first on, and the lines
// that differ before the slip are the image's.
std::optional<found_slip> slip_of_lines(check_state& c, const page_sums& page,
                                        const queued_line& line, pair_result r);

// Reports that P holds another number of lines than L, which adds up: the image is wrong, from
// the first of its lines that differs on.
void image_line_counts(check_state& c, const page_sums& page, const queued_line& line);

// Two checksums of L exchanged, unless a slip at the first explains more.
std::optional<found_slip> checksums_exchanged(check_state& c, const page_sums& page,
                                              const queued_line& line, const pair_result& r);

#endif
