#ifndef PAGETALLY_CHECK_H
#define PAGETALLY_CHECK_H

#include "causes.h"
#include "check_report.h"
#include "listing_line.h"
#include "listing_reader.h"
#include "page_walk.h"

#include <cstddef>
#include <cstdint>

enum class check_status {
    all_match,         // every page matched its listing line
    differ,            // something differs, or the listing fits another start address
    no_checksum_lines, // every line of the listing is skipped
    image_failed,      // reading the image failed
    listing_failed,    // reading the listing failed
    write_failed       // `out` refused a report
};

// Listing lines read ahead of the step that uses them: the next page line, and up to this many
// lines that are not checksum lines before it, which are reported after the step. A page line
// further ahead counts as none: the page is then compared with the line that stands for it.
constexpr std::size_t lines_ahead = 32;

struct queued_line {
    listing_line line;
    unsigned long long number;
};

enum class check_end {
    running,
    by_the_rules,      // one side has ended, and the other's next page or line is reported
    fitting_start,     // the listing fits another start address
    no_checksum_lines, // every line of the listing is skipped
    listing_failed     // a line that a step needs could not be read
};

// A check of an image against a published listing. Pages of the image and page lines of the
// listing are taken in order, and the check stays in step when one side has a page the other
// lacks: a label decides, or else the next page and the next page line. Reports go out one
// line each, in order; a failed check then names what the image itself shows, and the last line
// tells how many steps differ.
struct check_state {
    report_writer writer;
    listing_reader listing;
    std::uint32_t start;
    image_reread image;
    // The image's pages taken but not yet used up, in order.
    page_sums pages[4];
    std::size_t page_first, page_count;
    // The listing's lines read but not yet used up, in order.
    queued_line lines[lines_ahead + 2];
    std::size_t line_first, line_count;
    // Lines that are not checksum lines, already reported, whose pages are still to be used up:
    // each uses up the next page unless the page line after them is exactly that page.
    unsigned long long claims;
    // The image's first bytes, for the search for the start address the listing fits.
    std::uint8_t first_bytes[first_bytes_kept];
    std::size_t kept;
    bool first_run_ended;
    // The outcome so far.
    unsigned long long steps, differing;
    byte_traits used; // of the pages used up
    check_end end;
    bool image_ended;
    bool any_line;     // the listing has a line that is not skipped
    bool first_judged; // the image's first page has been compared with the listing's first line
    bool wants_bits;   // of the pages still to come
};

// Starts a check at `start`; `image` reads the image again for the repeat test, or has no
// `read_at` when it cannot be read again.
check_state start_check(text_source listing, std::uint32_t start, image_reread image,
                        check_output output);

// The consumer that takes each page of a walk into the check. It stops the walk when the check
// has ended, or when reading the listing or writing a report fails.
page_consumer check_consumer(check_state& check);

// Ends the check after the walk: takes the steps left, then, unless reading or writing failed,
// writes what the image shows when a step differed, and the last line.
check_status finish_check(check_state& check, walk_status walked);

#endif
