#ifndef PAGETALLY_CHECK_CHECK_STATE_H
#define PAGETALLY_CHECK_CHECK_STATE_H

// The check's own state, which its sources share: the queues of the image's pages and of the
// listing's lines, the image realigned past a slip, and the outcome so far.

#include "check/check.h"
#include "check/check_report.h"
#include "check/page_history.h"
#include "explain/causes.h"
#include "explain/page_log.h"
#include "listing/listing_line.h"
#include "text/text_reader.h"
#include "walk/page_walk.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// Listing lines read ahead of the step that uses them: the next page line, and up to this many
// lines that are not checksum lines before it, which are reported after the step. A page line
// further ahead counts as none: the page is then compared with the line that stands for it.
constexpr std::size_t lines_ahead = 32;

// A page that differs waits for this many pages after it: a slip test may look into them.
constexpr std::size_t slip_pages = 3;

// Pages go to the rules in calls of up to this many, whose own text is made in one piece.
constexpr std::size_t text_pages = 64;

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

// What is left of a page after a slip: its lines from `from` on, which the next page of the
// realigned image holds, are compared with the listing line ahead.
struct page_rest {
    bool waiting;
    bool own_step; // the page is not the one the slip began in: it is a step of its own
    bool partial;  // the page was partial: how many lines it holds is said after its lines
    unsigned from;
    unsigned listing_first; // the line that the listing's first checksum stands for
    unsigned held_before;   // lines the page held before `from`
    bool adds_up;
};

// A slip found: from address `resume` on, the image realigned holds at address A the image's own
// byte at A + shift.
struct found_slip {
    std::uint32_t resume;
    std::uint32_t shift;
};

// How a call into the rules ended: they want the next pages, or found a slip (the pages after it
// are those of the image realigned), or the check has ended (or a line could not be read, or a
// report written).
enum class rules_end { more, slip, ended };

struct rules_outcome {
    rules_end end;
    found_slip slip; // for rules_end::slip
};

// Past a slip, the image's pages come from a walk of its bytes placed anew, up to the image's
// next gap, past which they lie at their own addresses again.
struct realigned_walk {
    page_walker walker;
    std::uint32_t fed; // the image's own address after the last byte given to the walk
    // A later slip found while the walk's pages were taken, which stopped the walk.
    std::optional<found_slip> found;
};

// Once one side has ended, the other's pages left over are counted, and one report, the first's,
// says how many came after it.
struct leftover {
    bool counting;
    check_report report;
};

// A check of an image against a published listing. Pages of the image and page lines of the
// listing are taken in order, and the check stays in step when one side has a page the other
// lacks: a label decides, or else the next page and the next page line. Past a slip in the image
// (bytes typed twice or left out), the check goes on with the image realigned. Reports go out one
// line each, in order; a failed check then names what the image itself shows, and the last line
// tells how many steps differ.
struct check_state {
    report_writer writer;
    check_options options;
    text_reader listing;
    std::uint32_t start;
    // The image's pages taken but not yet used up, in order.
    page_sums pages[8];
    std::uint32_t shifts[8]; // of each: the image's own address of its byte at A is A + shift
    std::size_t page_first, page_count;
    // The page after the last one used up, once one is: where the pages the walk passes over,
    // which hold no byte, begin.
    std::uint32_t next_page;
    bool page_used;
    // The listing's lines read but not yet used up, in order.
    queued_line lines[lines_ahead + 2];
    std::size_t line_first, line_count;
    unsigned long long last_page_line; // the number of the last page line read, 0 before one
    // Lines that are not checksum lines, already reported, whose pages are still to be used up:
    // each uses up the next page unless the page line after them is exactly that page.
    unsigned long long claims;
    // The image's first bytes, for the search for the start address the listing fits.
    std::uint8_t first_bytes[first_bytes_kept];
    std::size_t kept;
    bool first_run_ended;
    // The image's own pages compared by the rules, as they came: what a slip test looks at.
    page_history history;
    bool realigned;      // a slip was found: the pages come from `realign`
    std::uint32_t shift; // of the pages taken now
    realigned_walk realign;
    page_rest rest;
    leftover left;
    // What the image's text says is wrong, reported once: the notes up to `next_note`, the last
    // line of unknown bytes, the last hole, and lines that a report explains (all the image's own
    // addresses, each range [from, end)).
    std::size_t next_note;
    std::uint32_t unknown_from, unknown_end;
    std::uint32_t hole_start, hole_end;
    std::uint32_t explained_from, explained_end;
    unsigned long long exchanges;             // typed lines found exchanged
    unsigned long long image_lines_differing; // reported as the image's
    // The pages taken, for the explanations of a failed check; which are looked for only when
    // a page differed in a way its listing line alone does not explain.
    page_log log;
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

#endif
