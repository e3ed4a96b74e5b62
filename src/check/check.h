#ifndef PAGETALLY_CHECK_CHECK_H
#define PAGETALLY_CHECK_CHECK_H

// A check of an image against a published listing, as a consumer of the walk over the image: the
// request, and its outcome.

#include "check/check_report.h"
#include "explain/image_again.h"
#include "image/image.h"
#include "text/text_reader.h"
#include "walk/page_walk.h"

#include <cstdint>

enum class check_status {
    all_match,         // every page matched its listing line
    differ,            // something differs, or the listing fits another start address
    no_checksum_lines, // every line of the listing is skipped
    image_failed,      // reading the image failed
    image_changed,     // the image read again to explain a difference was not the one checked
    listing_failed,    // reading the listing failed
    write_failed,      // `out` refused a report
    no_memory          // there was no memory for the check
};

struct check_options {
    bool all_reports; // every report, not only the first reports_shown
    bool hints;       // the image is typed hex: a one-line image report suggests the digit to mend
    image_text text;  // where the image's bytes came from, when it is text
    bool raw;         // the image is raw bytes: a failed check asks whether it is text
    const char* start_text;   // the start address as typed; null when it was left out
    image_again again;        // the image read again, to explain a failed check
    image_memory memory{};    // for the pages a failed check is explained from; new without one
    std::uint8_t fill = 0xFF; // the byte that fills the image's holes
    // The file the image is written to when every page matches: a check that fails says, before
    // its last line, that it was not written. Null when none is.
    const char* write_name = nullptr;
};

struct check_request {
    text_source listing;
    std::uint32_t start; // where the image's first byte lies
    check_output output;
    check_options options;
};

struct check_state;

// A check as asked; null when there is no memory for it.
check_state* begin_check(const check_request& request);

// The consumer that takes each page of a walk into the check. It stops the walk when the check
// has ended, or when reading the listing or writing a report fails.
page_consumer check_consumer(check_state& check);

// Ends the check after the walk and frees it: takes the steps left, then, unless reading or
// writing failed, writes what the image shows when a step differed, and the last line. A null
// check (see begin_check) ends with no_memory.
check_status end_check(check_state* check, walk_status walked);

#endif
