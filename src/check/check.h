#ifndef PAGETALLY_CHECK_H
#define PAGETALLY_CHECK_H

#include "check/check_report.h"
#include "check/page_history.h"
#include "explain/causes.h"
#include "explain/explain.h"
#include "explain/page_record.h"
#include "listing/listing_line.h"
#include "text/text_reader.h"
#include "walk/page_walk.h"

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

struct check_options {
    bool all_reports; // every report, not only the first reports_shown
    bool hints;       // the image is typed hex: a one-line image report suggests the digit to mend
    // The text line of the image file that gave the byte at `address`, 0 when none did (a fill
    // byte); null when the image is not text.
    unsigned long long (*text_line)(const void* state, std::uint32_t address);
    const void* text_state;
    bool raw;                 // the image is raw bytes: a failed check asks whether it is text
    const char* start_text;   // the start address as typed; null when it was left out
    image_again again;        // the image read again, to explain a failed check
    image_memory memory{};    // for the pages a failed check is explained from; new without one
    std::uint8_t fill = 0xFF; // the byte that fills the image's holes
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

// What is left of a page after a slip that the check mended: its lines from `from` on, which
// the next page of the mended image holds, are compared with the listing line ahead.
struct page_rest {
    bool waiting;
    bool own_step; // the page is not the one the slip began in: it is a step of its own
    bool partial;  // the page was partial: how many lines it holds is said after its lines
    unsigned from;
    unsigned listing_first; // the line that the listing's first checksum stands for
    unsigned held_before;   // lines the page held before `from`
    bool adds_up;
};

// A check of an image against a published listing. Pages of the image and page lines of the
// listing are taken in order, and the check stays in step when one side has a page the other
// lacks: a label decides, or else the next page and the next page line. A slip in the image
// (bytes typed twice or left out) is mended, and the check goes on with the image so mended.
// Reports go out one line each, in order; a failed check then names what the image itself
// shows, and the last line tells how many steps differ.
struct check_state {
    report_writer writer;
    check_options options;
    text_reader listing;
    std::uint32_t start;
    image_reread image;
    // The image's pages taken but not yet used up, in order.
    page_sums pages[8];
    std::uint32_t shifts[8]; // of each: the image's own address of its byte at A is A + shift
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
    // The image's pages compared by the rules, as they came: what a slip test looks at.
    page_history history;
    // Once a slip is mended, the image's pages come from a walk of its bytes placed anew: the
    // byte at address A of the mended image is the image's byte at A + shift, up to the image's
    // next gap, past which it lies at its own address again.
    bool mended;
    bool restart; // a slip was found: the walk of the mended image starts again at `resume`
    std::uint32_t shift, resume;
    std::uint32_t fed; // the image's own address after the last byte given to the mended walk
    page_walker mended_walk;
    page_rest rest;
    // The pages taken, for the explanations of a failed check; which are looked for only when
    // a page differed in a way its listing line alone does not explain.
    page_record record;
    bool image_suspect;
    // The outcome so far.
    unsigned long long steps, differing;
    byte_traits used; // of the pages used up
    check_end end;
    bool image_ended;
    bool any_line;     // the listing has a line that is not skipped
    bool first_judged; // the image's first page has been compared with the listing's first line
    bool wants_bits;   // of the pages still to come
};

// Starts a check at `start` in `check`; `image` reads the image again for the repeat test, or
// has no `read_at` when it cannot be read again.
void start_check(check_state& check, text_source listing, std::uint32_t start, image_reread image,
                 check_output output, check_options options);

// The consumer that takes each page of a walk into the check. It stops the walk when the check
// has ended, or when reading the listing or writing a report fails.
page_consumer check_consumer(check_state& check);

// Ends the check after the walk: takes the steps left, then, unless reading or writing failed,
// writes what the image shows when a step differed, and the last line.
check_status finish_check(check_state& check, walk_status walked);

#endif
