#include "listing/listing_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct line_case {
    std::string text;
    line_kind kind;
    std::vector<std::uint8_t> checksums;
    std::uint8_t total;
    std::string label;
};

TEST(ListingLine, ReadsEveryFormOfAPageLineAlike) {
    const line_case cases[] = {
        {"08 0A : 12", line_kind::page, {0x08, 0x0A}, 0x12, ""},
        {"080a:12", line_kind::page, {0x08, 0x0A}, 0x12, ""},
        {"\t0 8 0A\t:1 2 ", line_kind::page, {0x08, 0x0A}, 0x12, ""},
        {"fF Ab : cD", line_kind::page, {0xFF, 0xAB}, 0xCD, ""},
        {": 00", line_kind::page, {}, 0x00, ""},
        {std::string(64, 'F') + ":FF", line_kind::page, std::vector<std::uint8_t>(32, 0xFF), 0xFF,
         ""},
        {std::string(66, 'F') + ":FF", line_kind::page, std::vector<std::uint8_t>(33, 0xFF), 0xFF,
         ""}, // one typed too many
        {"08 : 08 ; bank 0: C000", line_kind::page, {0x08}, 0x08, ""},
        {"08 : 08# note", line_kind::page, {0x08}, 0x08, ""},
        {"C000: 08 : 08", line_kind::page, {0x08}, 0x08, "C000"},
        {"$c0 00 :08:08", line_kind::page, {0x08}, 0x08, "C000"},
        {"&0C000: 08 : 08", line_kind::page, {0x08}, 0x08, "0C000"},
        {"0x0000c000: : 00", line_kind::page, {}, 0x00, "0000C000"},
        {"0XFFFF: 08 : 08", line_kind::page, {0x08}, 0x08, "FFFF"},
        {"", line_kind::skip, {}, 0, ""},
        {" \t ", line_kind::skip, {}, 0, ""},
        {"# C000 08 : 08", line_kind::skip, {}, 0, ""},
        {"  ; 08 : 08", line_kind::skip, {}, 0, ""},
        {std::string(text_line_max, ' '), line_kind::skip, {}, 0, ""},
    };
    for (const auto& c : cases) {
        const listing_line line = parse_listing_line(c.text.data(), c.text.size());
        ASSERT_EQ(line.kind, c.kind) << '"' << c.text << '"';
        ASSERT_EQ(line.count, c.checksums.size()) << '"' << c.text << '"';
        for (unsigned i = 0; i < line.count; ++i) {
            EXPECT_EQ(line.checksum[i], c.checksums[i]) << '"' << c.text << "\" checksum " << i;
        }
        EXPECT_EQ(line.total, c.total) << '"' << c.text << '"';
        EXPECT_EQ(line.label, c.label) << '"' << c.text << '"';
    }
}

// Each reason once, and where two apply, the first in order.
TEST(ListingLine, SaysWhyALineIsNotAChecksumLine) {
    const struct {
        std::string text;
        const char* why;
    } cases[] = {
        {std::string(text_line_max + 1, ' '), "more than 4096 characters"},
        {"08 : 08" + std::string(text_line_max, ' '), "more than 4096 characters"},
        {"08 08", "no page total"},
        {"hello", "no page total"},
        {"C000: 08 : 08 :", "character ':' at column 15"},
        {"08 :: 08", "a bad address label"},
        {"C00: 08 : 08", "a bad address label"},
        {"C0000000F: 08 : 08", "a bad address label"},
        {"$0xC000: 08 : 08", "a bad address label"},
        {"C000 : 08 : 0g", "character 'g' at column 14"},
        {"08 : 0g", "character 'g' at column 7"},
        {"08\v: 08", "byte 0x0B at column 3"},
        {"08 : 08\r", "byte 0x0D at column 8"},
        {std::string("08 \0: 08", 8), "byte 0x00 at column 4"},
        {"08 \xC3\xA9: 08", "byte 0xC3 at column 4"},
        {"0 : 00", "an odd number of digits"},
        {"0 : 0g", "character 'g' at column 6"},
        {std::string(70, '0') + ":00", "35 checksums"},
        {"C000 " + std::string(64, '0') + ":00", "34 checksums"},
        {"08 : 0", "the page total is not two digits"},
        {"08 : 000", "the page total is not two digits"},
        {":", "the page total is not two digits"},
    };
    for (const auto& c : cases) {
        const listing_line line = parse_listing_line(c.text.data(), c.text.size());
        EXPECT_EQ(line.kind, line_kind::invalid) << '"' << c.text << '"';
        char why[64];
        describe_fault(line, why, sizeof why);
        EXPECT_STREQ(why, c.why) << '"' << c.text << '"';
    }
}

} // namespace
