#include "check_report.h"

#include <cinttypes>

namespace {

// The report's own words, after its prefix.
void describe(const check_report& r, char* text, std::size_t size) {
    switch (r.kind) {
    case report_kind::line_checksum:
        std::snprintf(text, size, "%04" PRIX32 ": line checksum %02X, listing has %02X", r.address,
                      r.image_value, r.listing_value);
        break;
    case report_kind::all_lines:
        std::snprintf(text, size, "%04" PRIX32 ": all %u line checksums differ", r.address,
                      r.image_value);
        break;
    case report_kind::page_total:
        std::snprintf(text, size, "%04" PRIX32 ": page total %02X, listing has %02X", r.address,
                      r.image_value, r.listing_value);
        break;
    case report_kind::line_counts:
        std::snprintf(text, size, "%04" PRIX32 ": %u line checksums, listing has %u", r.address,
                      r.image_value, r.listing_value);
        break;
    case report_kind::label_reads:
        std::snprintf(text, size, "%04" PRIX32 ": the label reads %s", r.address, r.text);
        break;
    case report_kind::not_a_checksum_line:
        std::snprintf(text, size, "not a checksum line: %s", r.text);
        break;
    case report_kind::page_not_in_listing:
        std::snprintf(text, size, "%04" PRIX32 ": page not in the listing", r.address);
        break;
    case report_kind::page_not_in_image:
        std::snprintf(text, size, "page not in the image");
        break;
    }
}

void write(report_writer& w, std::initializer_list<const char*> pieces) {
    w.failed = w.failed || !w.output.write(w.output.out, pieces);
}

} // namespace

void write_report(report_writer& writer, const check_report& report) {
    char text[160];
    describe(report, text, sizeof text);
    char prefix[32] = "";
    const char* name = "";
    switch (report.side) {
    case report_side::listing:
        name = writer.output.listing_name;
        std::snprintf(prefix, sizeof prefix, ":%llu: ", report.number);
        break;
    case report_side::image:
        name = writer.output.image_name;
        std::snprintf(prefix, sizeof prefix, ": ");
        break;
    case report_side::none:
        break;
    }
    write(writer, {name, prefix, text});
}

void write_about(report_writer& writer, const char* name, const char* text) {
    write(writer, {name, ": ", text});
}

void write_plain(report_writer& writer, const char* text) {
    write(writer, {text});
}
