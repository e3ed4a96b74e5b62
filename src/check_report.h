#ifndef PAGETALLY_CHECK_REPORT_H
#define PAGETALLY_CHECK_REPORT_H

// What a check reports, as events, and the one writer that turns them into report lines.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

// Writes one line, its pieces in order and a newline; false if it was not written.
using line_writer = bool (*)(std::FILE* out, std::initializer_list<const char*> pieces);

// Where a check's reports go, and how the inputs are named in them.
struct check_output {
    std::FILE* out;
    line_writer write;
    const char* listing_name;
    const char* image_name;
};

enum class report_kind {
    line_checksum,       // ADDR: line checksum XX, listing has YY
    all_lines,           // ADDR: all K line checksums differ
    page_total,          // ADDR: page total XX, listing has YY
    line_counts,         // ADDR: K line checksums, listing has M
    label_reads,         // ADDR: the label reads LABEL
    not_a_checksum_line, // not a checksum line: REASON
    page_not_in_listing, // ADDR: page not in the listing
    page_not_in_image    // page not in the image
};

// The file that a report tells the user to mend, named first so that an editor goes there.
enum class report_side {
    none,    // neither alone
    listing, // its line `number`
    image
};

struct check_report {
    report_kind kind;
    report_side side;
    unsigned long long number; // the listing's line
    std::uint32_t address;     // the line or page reported
    unsigned image_value;      // XX, or the page's K
    unsigned listing_value;    // YY, or the listing's M
    const char* text;          // the label as typed, or why the line is not a checksum line
};

// Writes the check's reports, each one line.
struct report_writer {
    check_output output;
    bool failed; // a line could not be written; nothing more is
};

void write_report(report_writer& writer, const check_report& report);

// A line about one of the inputs as a whole: "NAME: TEXT".
void write_about(report_writer& writer, const char* name, const char* text);

// A line of its own, as the last line is.
void write_plain(report_writer& writer, const char* text);

#endif
