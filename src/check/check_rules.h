#ifndef PAGETALLY_CHECK_RULES_H
#define PAGETALLY_CHECK_RULES_H

// The check's own parts, shared by its sources: the queues of pages and lines (check.cpp), the
// stepping rules (check_steps.cpp), and the comparison of a page with its line
// (check_compare.cpp).

#include "check/check.h"
#include "check/check_pair.h"

#include <optional>

// Pages go to the rules in calls of up to this many, whose own text is made in one piece.
constexpr std::size_t text_pages = 64;

// Takes up to text_pages pages into the check; `taken` tells how many, fewer when a slip was
// found (the pages after it are the image's as it was). `remember` keeps the pages that go to
// the rules for a slip test: the image's own pages, not those of the image mended. False when
// the check has ended.
bool take_some(check_state& c, const page_sums* pages, std::size_t count, bool remember,
               std::size_t& taken);

// The walk of the image mended (check_mend.cpp). Each is false when the check has ended.
// Walks it anew from the slip last found, over the pages kept since, and again while a later
// slip is found among them.
bool walk_mended_again(check_state& c);
// Walks the image's next pages, placed anew.
bool take_to_mend(check_state& c, const page_sums* pages, std::size_t count);
// Ends the walk: its last page, and again after each later slip.
bool end_mended_walk(check_state& c);

// The image's side: pages taken and not yet used up.
const page_sums* page_at(const check_state& c, std::size_t i);
void use_page(check_state& c);
// Forgets the pages taken: the image is walked again from a slip.
void drop_pages(check_state& c);

// The listing's side: lines that are not skipped, read when a step needs them. The i-th line
// ahead; null at the listing's end, when reading it failed, or past the queue.
const queued_line* line_at(check_state& c, std::size_t i);
void drop_line(check_state& c);
// The next page line after the first line ahead, past lines that are not checksum lines.
const queued_line* next_page_line(check_state& c);

void step(check_state& c, bool differs);
void report(check_state& c, const check_report& report);
// Reports the line ahead, which is not a checksum line, as a step that differs, and uses it up.
void report_faulty_line(check_state& c, const queued_line& line);
// A report about line `number` of the listing, so that an editor can go to it.
check_report listing_report(const queued_line& line, report_kind kind, std::uint32_t address = 0,
                            unsigned image_value = 0, unsigned listing_value = 0);

// The image's own address of the byte at `address` of the image as mended, in the page P that
// the rules compare (the first taken).
std::uint32_t own_address(const check_state& c, std::uint32_t address);
// Whether the image's byte at its own `address` came from the file, not a hole's fill.
bool from_file(const check_state& c, std::uint32_t address);
// A report about the image's line or page at `address` of the image as mended.
check_report image_report(const check_state& c, report_kind kind, std::uint32_t address,
                          unsigned image_value = 0, unsigned listing_value = 0);

// Takes steps while both sides have what the next one needs. False once the check has ended,
// or a line it needs could not be read, or a report could not be written.
bool advance(check_state& c);

// P and L stand for each other, and differ: what differs is reported, a slip mended.
void pair_differing(check_state& c, const page_sums& page, const queued_line& line);

// The slip that line `i` of P begins, when the image fits the listing a little later at
// another shift: bytes too many (> 0) or missing (< 0). P's listing line L is the first line
// ahead, its first checksum standing for the page's line `listing_first` (check_slip.cpp).
std::optional<int> slip_at(check_state& c, const page_sums& page, const queued_line& line,
                           unsigned listing_first, unsigned i);
// Reports the slip at line `i` of P and goes on with the image mended from B, three lines on:
// the rest of P's lines, or of the next page's, are compared when the mended image gives them.
void mend(check_state& c, const page_sums& page, const pair_result& r, unsigned i, int shift);

// Compares the rest of a page after a slip; false while it waits for the page or the next.
bool take_rest(check_state& c);

#endif
