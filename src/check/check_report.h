#ifndef PAGETALLY_CHECK_CHECK_REPORT_H
#define PAGETALLY_CHECK_CHECK_REPORT_H

// What a check reports, as events, and the one writer that turns them into report lines.

#include "check/check_pair.h"
#include "explain/explanation.h"
#include "image/image.h"
#include "listing/listing_line.h"

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
    // A line or page of either file: the first reports_shown are written, the rest counted.
    line_checksum,         // ADDR: line checksum XX, listing has YY
    all_lines,             // ADDR: all K line checksums differ
    page_total,            // ADDR: page total XX, listing has YY
    line_counts,           // ADDR: K line checksums, listing has M
    label_reads,           // ADDR: the label reads LABEL
    not_a_checksum_line,   // not a checksum line: REASON (of `faulty`)
    page_not_in_listing,   // ADDR: page not in the listing (nor the COUNT after it)
    page_not_in_image,     // page not in the image (nor the COUNT after it)
    lines_exchanged,       // lines N and COUNT are exchanged
    checksums_exchanged,   // ADDR: the checksums of lines LADDR and OTHER are exchanged
    checksum_missing,      // ADDR: the checksum of line LADDR is missing (XX)
    checksum_extra,        // ADDR: LADDR has no line; YY is one checksum too many
    holds_lines,           // ADDR: holds K of the page's 32 lines
    bytes_too_many,        // ADDR: K bytes too many
    bytes_missing,         // ADDR: K bytes missing
    bytes_left_out,        // ADDR: K bytes left out (a hole; the line after it names it)
    typed_lines_exchanged, // ADDR: lines M and COUNT are exchanged (of the image's text)
    bad_character,         // 'X' at column C is no hexadecimal digit[; read as D] (`note`)
    label_out_of_order,    // the label L is out of order with the lines around it; try F
    // A file as a whole, "NAME: ...": always written.
    fits_start,        // fits start address ADDR, not GIVEN (or as typed in decimal, `text`)
    unmarked_utf16,    // looks like UTF-16 without a byte order mark
    no_checksum_lines, // no checksum lines
    explained,         // what explains a failed check (`cause`)
    every_byte,        // every byte is XX
    stuck_bit,         // data bit B (`address`) is XX in every byte
    repeats,           // repeats its first COUNT bytes
    not_written,       // OUT (`text`): not written, since the check failed
    // The last line of a check.
    all_match,   // all STEPS pages match
    pages_differ // COUNT of STEPS pages differ
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
    unsigned long long number;  // the listing's line
    std::uint32_t address;      // the line or page reported, or the start address that fits
    unsigned image_value;       // XX, or the page's K, or the bytes of a slip
    unsigned listing_value;     // YY, or the listing's M
    const char* text;           // the label as typed, or the start address typed in decimal
    std::uint32_t line_address; // LADDR, or the start address given
    std::uint32_t other_address;
    // The image's own address of the line or page reported, whose text line a report about the
    // image names; it differs from `address` after a slip.
    std::uint32_t image_address;
    digit_edits edits;          // for a line of a typed image
    const listing_line* faulty; // the line that is not a checksum line
    const image_note* note;     // a character that is no digit, or a label out of order
    explanation cause;
    unsigned long long count, steps;
};

// Where the image's bytes came from, for an image read from a text: the text line that gave the
// byte at `address` (the image's own), 0 when none did (a hole's fill); the first address from
// `address` on that holds a byte of the file, or the image's end when none does (null when it
// has no holes); and what the text held that a check reads past, in address order. All null
// when the image is not text.
struct image_text {
    unsigned long long (*text_line)(const void* state, std::uint32_t address);
    std::uint32_t (*next_file_byte)(const void* state, std::uint32_t address);
    const void* state;
    const image_note* notes;
    std::size_t note_count;
};

// The first reports are written, the rest counted, unless all are asked for.
constexpr unsigned long long reports_shown = 10;

// Writes the check's reports, each one line.
struct report_writer {
    check_output output;
    image_text text;
    bool all;
    unsigned long long shown, withheld;
    bool failed; // a line could not be written; nothing more is
};

void write_report(report_writer& writer, const check_report& report);

// The pieces of a report's line, as write_report writes them: the file's name (null for a
// report that names none) and "prefix" (":N: " or ": "), the words, and what follows them (a
// hint, or how many pages after it).
struct report_text {
    const char* name;
    char prefix[32];
    char text[160];
    char tail[96];
};
report_text text_of_report(const report_writer& writer, const check_report& report);

// Says how many reports were counted and not written, if any.
void write_withheld(report_writer& writer);

#endif
