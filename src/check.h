#ifndef PAGETALLY_CHECK_H
#define PAGETALLY_CHECK_H

#include "page_walk.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

// The listing's text: `read` fills `buffer` with up to `size` bytes and returns how many, 0 at
// the end of the text, or -1 when reading failed.
struct text_source {
    long (*read)(void* state, char* buffer, std::size_t size);
    void* state;
};

// Writes one line, its pieces in order and a newline; false if it was not written.
using line_writer = bool (*)(std::FILE* out, std::initializer_list<const char*> pieces);

enum class check_status {
    all_match,         // every page matched its listing line
    differ,            // some pages differ, or one side has a page the other lacks
    no_checksum_lines, // the listing holds no page line at all
    image_failed,      // reading the image failed
    listing_failed,    // reading the listing failed
    write_failed       // `out` refused a report
};

// A check of an image against a published listing: the k-th page of the image against the k-th
// page line of the listing. Reports go to `out`, one line each, in page order, and the last
// line tells how many pages differ. One check at a time: the listing is read through one static
// buffer.
struct check_state {
    text_source listing;
    const char* listing_name;
    std::FILE* out;
    line_writer write;
    // Progress, kept by the check.
    std::size_t begin, end;         // unread text in the buffer
    unsigned long long line_number; // of the last line read
    bool listing_ended, listing_failed, write_failed;
    unsigned long long pages, differing; // pages compared, a page missing from either side too
};

check_state start_check(text_source listing, const char* listing_name, std::FILE* out,
                        line_writer write);

// The consumer that compares each page of a walk with the listing. It stops the walk when the
// listing has no line for a page, or when reading the listing or writing a report fails.
page_consumer check_consumer(check_state& check);

// Ends the check after the walk: reports a page line that the image lacks and writes the last
// line, unless reading or writing failed.
check_status finish_check(check_state& check, walk_status walked);

#endif
