#ifndef PAGETALLY_CHECK_CHECK_QUEUE_H
#define PAGETALLY_CHECK_CHECK_QUEUE_H

// The two sides of a check as the rules take them: the image's pages taken and not yet used up,
// and the listing's lines read ahead of the step that uses them; the steps counted, and the
// reports made of them.

#include "check/check_state.h"

#include <cstddef>
#include <cstdint>

// The image's side. A page taken is queued with the shift it was taken at.
void push_page(check_state& c, const page_sums& sums);
// The i-th page ahead; null past those taken.
const page_sums* page_ahead(const check_state& c, std::size_t i);
void use_page(check_state& c);
// Notes that the page is used up: the next page is expected after it.
void pass_page(check_state& c, const page_sums& page);
// Forgets the pages taken: the image is walked again from a slip.
void drop_pages(check_state& c);

// The listing's side: lines that are not skipped, read when a step needs them. The i-th line
// ahead; null at the listing's end, when reading it failed, or past the queue.
const queued_line* line_ahead(check_state& c, std::size_t i);
void drop_line(check_state& c);
// The next page line after the first line ahead, past lines that are not checksum lines; and
// the k-th such.
const queued_line* next_page_line(check_state& c);
const queued_line* page_line_ahead(check_state& c, unsigned k);

void step(check_state& c, bool differs);
void report(check_state& c, const check_report& report);

// Says that the image was not written, since the check failed, when it was to be: the line
// before the check's last.
void report_not_written(check_state& c);
// Reports the line ahead, which is not a checksum line, as a step that differs, and uses it up.
void report_faulty_line(check_state& c, const queued_line& line);
// A report about line `number` of the listing, so that an editor can go to it.
check_report listing_report(const queued_line& line, report_kind kind, std::uint32_t address = 0,
                            unsigned image_value = 0, unsigned listing_value = 0);

// The image's own address of the byte at `address` of the image as realigned, in the page P
// that the rules compare (the first taken).
std::uint32_t own_address(const check_state& c, std::uint32_t address);
// Whether the image's byte at its own `address` came from the file, not a hole's fill.
bool from_file(const check_state& c, std::uint32_t address);
// How many of the `n` bytes from the image's own `address` on came from the file, up to the
// first that did not: `n` for a raw image, which has no holes.
std::size_t from_file_run(const check_state& c, std::uint32_t address, std::size_t n);
// A report about the image's line or page at `address` of the image as realigned.
check_report image_report(const check_state& c, report_kind kind, std::uint32_t address,
                          unsigned image_value = 0, unsigned listing_value = 0);

#endif
