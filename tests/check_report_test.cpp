#include "check/check_report.h"
#include "memory_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

check_report about(report_side side, report_kind kind) {
    check_report r{};
    r.side = side;
    r.kind = kind;
    return r;
}

check_report explained(explanation_kind kind, unsigned a, unsigned b, int reads,
                       std::size_t bytes) {
    check_report r = about(report_side::image, report_kind::explained);
    r.cause = explanation{kind, "Intel HEX", "--format ihex", a, b, reads, bytes};
    return r;
}

// The lines about a file as a whole, and the last line, after ten reports of pages: always
// written, each with the file's name alone.
TEST(CheckReport, WordsTheLinesAboutAWholeFile) {
    check_report fit = about(report_side::listing, report_kind::fits_start);
    fit.address = 0xC000;
    fit.line_address = 0xE000;
    check_report decimal = fit;
    decimal.text = "49152";
    check_report every = about(report_side::image, report_kind::every_byte);
    every.image_value = 0xFF;
    check_report bit = about(report_side::image, report_kind::stuck_bit);
    bit.address = 7;
    bit.image_value = 1;
    check_report repeat = about(report_side::image, report_kind::repeats);
    repeat.count = 4096;
    check_report all = about(report_side::none, report_kind::all_match);
    all.steps = 16;
    check_report differ = about(report_side::none, report_kind::pages_differ);
    differ.count = 2;
    differ.steps = 16;
    const struct {
        check_report report;
        const char* line;
    } cases[] = {
        {fit, "L: fits start address C000, not E000\n"},
        {decimal, "L: fits start address C000, not 49152 (49152 is C000 in decimal)\n"},
        {about(report_side::listing, report_kind::no_checksum_lines), "L: no checksum lines\n"},
        {explained(explanation_kind::text_read_as_raw, 0, 0, 0, 0),
         "I: looks like Intel HEX text; try --format ihex\n"},
        {explained(explanation_kind::address_line, 9, 0, 1, 0), "I: address line A9 reads as 1\n"},
        {explained(explanation_kind::address_line, 4, 0, -1, 0),
         "I: address line A4 is inverted\n"},
        {explained(explanation_kind::address_lines_exchanged, 10, 12, 0, 0),
         "I: address lines A10 and A12 are exchanged\n"},
        {explained(explanation_kind::data_lines_exchanged, 3, 4, 0, 0),
         "I: data lines D3 and D4 are exchanged\n"},
        {explained(explanation_kind::every_bit_inverted, 0, 0, 0, 0),
         "I: every data bit is inverted\n"},
        {explained(explanation_kind::bit_inverted, 5, 0, 0, 0),
         "I: data bit 5 is inverted in every byte\n"},
        {explained(explanation_kind::header, 0, 0, 0, 128),
         "I: fits without its first 128 bytes (a header)\n"},
        {every, "I: every byte is FF\n"},
        {bit, "I: data bit 7 is 1 in every byte\n"},
        {repeat, "I: repeats its first 4096 bytes\n"},
        {all, "all 16 pages match\n"},
        {differ, "2 of 16 pages differ\n"},
    };
    for (const auto& c : cases) {
        std::FILE* out = std::tmpfile();
        report_writer writer{
            check_output{out, write_plain, "L", "I"}, image_text{}, false, 0, 0, false};
        check_report page = about(report_side::listing, report_kind::page_not_in_image);
        for (int i = 0; i < 11; ++i) {
            write_report(writer, page);
        }
        write_report(writer, c.report);
        const std::string text = contents(out);
        std::fclose(out);
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 11) << c.line;
        EXPECT_EQ(text.substr(text.rfind('\n', text.size() - 2) + 1), c.line) << c.line;
        EXPECT_EQ(writer.withheld, 1u) << c.line;
    }
}

} // namespace
