#include "check/check_report.h"

#include <cinttypes>
#include <cstring>

namespace {

void describe_explanation(const explanation& e, char* text, std::size_t size) {
    const char* reads[] = {"is inverted", "reads as 0", "reads as 1"};
    switch (e.kind) {
    case explanation_kind::text_read_as_raw:
        std::snprintf(text, size, "looks like %s text; try %s", e.format, e.option);
        break;
    case explanation_kind::address_line:
        std::snprintf(text, size, "address line A%u %s", e.a, reads[e.reads + 1]);
        break;
    case explanation_kind::address_lines_exchanged:
        std::snprintf(text, size, "address lines A%u and A%u are exchanged", e.a, e.b);
        break;
    case explanation_kind::data_lines_exchanged:
        std::snprintf(text, size, "data lines D%u and D%u are exchanged", e.a, e.b);
        break;
    case explanation_kind::every_bit_inverted:
        std::snprintf(text, size, "every data bit is inverted");
        break;
    case explanation_kind::bit_inverted:
        std::snprintf(text, size, "data bit %u is inverted in every byte", e.a);
        break;
    case explanation_kind::header:
        std::snprintf(text, size, "fits without its first %zu bytes (a header)", e.bytes);
        break;
    }
}

// The words of a line about a file as a whole, or of the last line.
void describe_file(const check_report& r, char* text, std::size_t size) {
    switch (r.kind) {
    case report_kind::fits_start:
        if (r.text != nullptr) {
            std::snprintf(text, size,
                          "fits start address %04" PRIX32 ", not %s (%s is %04" PRIX32
                          " in decimal)",
                          r.address, r.text, r.text, r.address);
        } else {
            std::snprintf(text, size, "fits start address %04" PRIX32 ", not %04" PRIX32, r.address,
                          r.line_address);
        }
        break;
    case report_kind::unmarked_utf16:
        std::snprintf(text, size, "looks like UTF-16 without a byte order mark");
        break;
    case report_kind::no_checksum_lines:
        std::snprintf(text, size, "no checksum lines");
        break;
    case report_kind::explained:
        describe_explanation(r.cause, text, size);
        break;
    case report_kind::every_byte:
        std::snprintf(text, size, "every byte is %02X", r.image_value);
        break;
    case report_kind::stuck_bit:
        std::snprintf(text, size, "data bit %" PRIu32 " is %u in every byte", r.address,
                      r.image_value);
        break;
    case report_kind::repeats:
        std::snprintf(text, size, "repeats its first %llu bytes", r.count);
        break;
    case report_kind::all_match:
        std::snprintf(text, size, "all %llu pages match", r.steps);
        break;
    case report_kind::pages_differ:
        std::snprintf(text, size, "%llu of %llu pages differ", r.count, r.steps);
        break;
    default:
        break;
    }
}

// Whether the report is about a file as a whole, or is the last line: it is always written.
bool about_a_whole(report_kind kind) {
    return kind >= report_kind::fits_start;
}

// The words of a report about a line or page, after its address.
void describe_page(const check_report& r, char* text, std::size_t size) {
    const unsigned x = r.image_value;
    const unsigned y = r.listing_value;
    switch (r.kind) {
    case report_kind::line_checksum:
        std::snprintf(text, size, "line checksum %02X, listing has %02X", x, y);
        break;
    case report_kind::all_lines:
        std::snprintf(text, size, "all %u line checksums differ", x);
        break;
    case report_kind::page_total:
        std::snprintf(text, size, "page total %02X, listing has %02X", x, y);
        break;
    case report_kind::line_counts:
        std::snprintf(text, size, "%u line checksums, listing has %u", x, y);
        break;
    case report_kind::label_reads:
        std::snprintf(text, size, "the label reads %s", r.text);
        break;
    case report_kind::page_not_in_listing:
        std::snprintf(text, size, "page not in the listing");
        break;
    case report_kind::checksums_exchanged:
        std::snprintf(text, size,
                      "the checksums of lines %04" PRIX32 " and %04" PRIX32 " are exchanged",
                      r.line_address, r.other_address);
        break;
    case report_kind::checksum_missing:
        std::snprintf(text, size, "the checksum of line %04" PRIX32 " is missing (%02X)",
                      r.line_address, x);
        break;
    case report_kind::checksum_extra:
        std::snprintf(text, size, "%04" PRIX32 " has no line; %02X is one checksum too many",
                      r.line_address, y);
        break;
    case report_kind::typed_lines_exchanged:
        std::snprintf(text, size, "lines %llu and %llu are exchanged", r.number, r.count);
        break;
    case report_kind::holds_lines:
        std::snprintf(text, size, "holds %u of the page's 32 lines", x);
        break;
    case report_kind::bytes_too_many:
    case report_kind::bytes_missing:
    case report_kind::bytes_left_out:
        std::snprintf(text, size, "%u byte%s %s", x, x == 1 ? "" : "s",
                      r.kind == report_kind::bytes_missing    ? "missing"
                      : r.kind == report_kind::bytes_left_out ? "left out"
                                                              : "too many");
        break;
    default:
        break;
    }
}

void describe_note(const image_note& note, char* text, std::size_t size) {
    if (note.kind == note_kind::label_out_of_order) {
        const int digits = static_cast<int>(note.digits);
        std::snprintf(text, size,
                      "the label %0*" PRIX32 " is out of order with the lines around it; try "
                      "%0*" PRIX32,
                      digits, note.label, digits, note.address);
    } else if (note.typed >= 0x21 && note.typed <= 0x7E) {
        std::snprintf(text, size, "'%c' at column %u is no hexadecimal digit", note.typed,
                      note.column);
    } else {
        std::snprintf(text, size, "byte 0x%02X at column %u is no hexadecimal digit",
                      static_cast<unsigned char>(note.typed), note.column);
    }
    if (note.kind == note_kind::bad_character && note.read_as != 0) {
        const std::size_t used = std::strlen(text);
        std::snprintf(text + used, size - used, "; read as %c", note.read_as);
    }
}

// The report's own words, after its prefix: "ADDR: " and the words of a line or page.
void describe(const check_report& r, char* text, std::size_t size) {
    switch (r.kind) {
    case report_kind::not_a_checksum_line: {
        char why[64];
        describe_fault(*r.faulty, why, sizeof why);
        std::snprintf(text, size, "not a checksum line: %s", why);
        break;
    }
    case report_kind::page_not_in_image:
        std::snprintf(text, size, "page not in the image");
        break;
    case report_kind::lines_exchanged:
        std::snprintf(text, size, "lines %llu and %llu are exchanged", r.number, r.count);
        break;
    case report_kind::bad_character:
    case report_kind::label_out_of_order:
        describe_note(*r.note, text, size);
        break;
    default:
        if (about_a_whole(r.kind)) {
            describe_file(r, text, size);
        } else {
            const int n = std::snprintf(text, size, "%04" PRIX32 ": ", r.address);
            describe_page(r, text + n, size - static_cast<std::size_t>(n));
        }
        break;
    }
}

// "; try ADDR: NN for MM, ADDR: NN for MM" after a line's report.
void describe_edits(const digit_edits& edits, char* text, std::size_t size) {
    std::size_t used = 0;
    for (unsigned i = 0; i < edits.count; ++i) {
        const digit_edit& e = edits.edit[i];
        used += static_cast<std::size_t>(
            std::snprintf(text + used, size - used, "%s%04" PRIX32 ": %02X for %02X",
                          i == 0 ? "; try " : ", ", e.address, e.fits, e.typed));
    }
}

// The text line of the first byte from the file among `n` from the image's `address` on; 0
// when none came from it.
unsigned long long first_text_line(const image_text& lines, std::uint32_t address, unsigned n) {
    for (unsigned i = 0; i < n; ++i) {
        const unsigned long long line = lines.text_line(lines.state, address + i);
        if (line != 0) {
            return line;
        }
    }
    return 0;
}

// "NAME:N: " for the listing's line, "NAME:M: " or "NAME: " for the image.
void prefix_of(const report_writer& w, const check_report& r, char* prefix, std::size_t size) {
    unsigned long long number = r.number;
    // These name the text's line themselves.
    const bool noted = r.kind == report_kind::bad_character ||
                       r.kind == report_kind::label_out_of_order ||
                       r.kind == report_kind::typed_lines_exchanged;
    if (r.side == report_side::image && !about_a_whole(r.kind) && !noted) {
        const bool whole_page =
            r.kind == report_kind::all_lines || r.kind == report_kind::holds_lines;
        // The line of the byte a hint names, else of the reported line's first from the file.
        const bool hint = r.edits.count > 0;
        const std::uint32_t from =
            hint ? r.image_address + (r.edits.edit[0].address - r.address) : r.image_address;
        const bool one = hint || r.kind == report_kind::bytes_left_out;
        const unsigned n = one ? 1 : whole_page ? 256 : 8;
        number = w.text.text_line == nullptr ? 0 : first_text_line(w.text, from, n);
    }
    if (number == 0) {
        std::snprintf(prefix, size, ": ");
    } else {
        std::snprintf(prefix, size, ":%llu: ", number);
    }
}

void write(report_writer& w, std::initializer_list<const char*> pieces) {
    w.failed = w.failed || !w.output.write(w.output.out, pieces);
}

} // namespace

report_text text_of_report(const report_writer& writer, const check_report& report) {
    report_text t{};
    describe(report, t.text, sizeof t.text);
    describe_edits(report.edits, t.tail, sizeof t.tail);
    const bool counts = report.kind == report_kind::page_not_in_listing ||
                        report.kind == report_kind::page_not_in_image;
    if (counts && report.count > 0) {
        std::snprintf(t.tail, sizeof t.tail, " (nor the %llu after it)", report.count);
    }
    if (report.side != report_side::none) {
        prefix_of(writer, report, t.prefix, sizeof t.prefix);
        t.name = report.side == report_side::image ? writer.output.image_name
                                                   : writer.output.listing_name;
    }
    return t;
}

void write_report(report_writer& writer, const check_report& report) {
    const bool counted = !about_a_whole(report.kind);
    if (counted && !writer.all && writer.shown == reports_shown) {
        ++writer.withheld;
        return;
    }
    writer.shown += counted ? 1 : 0;
    if (report.kind == report_kind::not_written) { // a name of any length
        write(writer, {report.text, ": not written, since the check failed"});
        return;
    }
    const report_text t = text_of_report(writer, report);
    if (t.name == nullptr) {
        write(writer, {t.text, t.tail});
    } else {
        write(writer, {t.name, t.prefix, t.text, t.tail});
    }
}

void write_withheld(report_writer& writer) {
    if (writer.withheld == 0) {
        return;
    }
    char text[96];
    std::snprintf(text, sizeof text, "%llu more report%s not shown (--all shows %s)",
                  writer.withheld, writer.withheld == 1 ? "" : "s",
                  writer.withheld == 1 ? "it" : "them");
    write(writer, {text});
}
