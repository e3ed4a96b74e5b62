#include "check/check_report.h"

#include <cinttypes>
#include <cstring>

namespace {

// The report's own words, after its prefix.
void describe(const check_report& r, char* text, std::size_t size) {
    const std::uint32_t a = r.address;
    const unsigned x = r.image_value;
    const unsigned y = r.listing_value;
    switch (r.kind) {
    case report_kind::line_checksum:
        std::snprintf(text, size, "%04" PRIX32 ": line checksum %02X, listing has %02X", a, x, y);
        break;
    case report_kind::all_lines:
        std::snprintf(text, size, "%04" PRIX32 ": all %u line checksums differ", a, x);
        break;
    case report_kind::page_total:
        std::snprintf(text, size, "%04" PRIX32 ": page total %02X, listing has %02X", a, x, y);
        break;
    case report_kind::line_counts:
        std::snprintf(text, size, "%04" PRIX32 ": %u line checksums, listing has %u", a, x, y);
        break;
    case report_kind::label_reads:
        std::snprintf(text, size, "%04" PRIX32 ": the label reads %s", a, r.text);
        break;
    case report_kind::not_a_checksum_line:
        std::snprintf(text, size, "not a checksum line: %s", r.text);
        break;
    case report_kind::page_not_in_listing:
        std::snprintf(text, size, "%04" PRIX32 ": page not in the listing", a);
        break;
    case report_kind::page_not_in_image:
        std::snprintf(text, size, "page not in the image");
        break;
    case report_kind::checksum_missing:
        std::snprintf(text, size,
                      "%04" PRIX32 ": the checksum of line %04" PRIX32 " is missing (%02X)", a,
                      r.line_address, x);
        break;
    case report_kind::checksum_extra:
        std::snprintf(text, size,
                      "%04" PRIX32 ": %04" PRIX32 " has no line; %02X is one checksum too many", a,
                      r.line_address, y);
        break;
    case report_kind::holds_lines:
        std::snprintf(text, size, "%04" PRIX32 ": holds %u of the page's 32 lines", a, x);
        break;
    case report_kind::bytes_too_many:
    case report_kind::bytes_missing:
        std::snprintf(text, size, "%04" PRIX32 ": %u byte%s %s", a, x, x == 1 ? "" : "s",
                      r.kind == report_kind::bytes_missing ? "missing" : "too many");
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
    if (r.side == report_side::image) {
        const bool whole_page =
            r.kind == report_kind::all_lines || r.kind == report_kind::holds_lines;
        number = w.text.text_line == nullptr
                     ? 0
                     : first_text_line(w.text, r.image_address, whole_page ? 256 : 8);
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

void write_report(report_writer& writer, const check_report& report) {
    if (!writer.all && writer.shown == reports_shown) {
        ++writer.withheld;
        return;
    }
    ++writer.shown;
    char text[160];
    describe(report, text, sizeof text);
    char edits[96] = "";
    describe_edits(report.edits, edits, sizeof edits);
    if (report.side == report_side::none) {
        write(writer, {text, edits});
        return;
    }
    char prefix[32];
    prefix_of(writer, report, prefix, sizeof prefix);
    const bool image = report.side == report_side::image;
    write(writer,
          {image ? writer.output.image_name : writer.output.listing_name, prefix, text, edits});
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

void write_about(report_writer& writer, const char* name, const char* text) {
    write(writer, {name, ": ", text});
}

void write_plain(report_writer& writer, const char* text) {
    write(writer, {text});
}
