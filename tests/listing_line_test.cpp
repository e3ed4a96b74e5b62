#include "listing_line.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct line_case {
    std::string text;
    line_kind kind;
    std::vector<std::uint8_t> checksums;
    std::uint8_t total;
};

TEST(ListingLine, ReadsEveryFormOfAPageLineAlike) {
    const line_case cases[] = {
        {"08 0A : 12", line_kind::page, {0x08, 0x0A}, 0x12},
        {"080a:12", line_kind::page, {0x08, 0x0A}, 0x12},
        {"\t0 8 0A\t:1 2 ", line_kind::page, {0x08, 0x0A}, 0x12},
        {"fF Ab : cD", line_kind::page, {0xFF, 0xAB}, 0xCD},
        {": 00", line_kind::page, {}, 0x00},
        {std::string(64, 'F') + ":FF", line_kind::page, std::vector<std::uint8_t>(32, 0xFF), 0xFF},
        {"", line_kind::skip, {}, 0},
        {" \t ", line_kind::skip, {}, 0},
        {"# C000 08 : 08", line_kind::skip, {}, 0},
        {"  #", line_kind::skip, {}, 0},
    };
    for (const auto& c : cases) {
        const listing_line line = parse_listing_line(c.text.data(), c.text.size());
        ASSERT_EQ(line.kind, c.kind) << '"' << c.text << '"';
        ASSERT_EQ(line.count, c.checksums.size()) << '"' << c.text << '"';
        for (unsigned i = 0; i < line.count; ++i) {
            EXPECT_EQ(line.checksum[i], c.checksums[i]) << '"' << c.text << "\" checksum " << i;
        }
        EXPECT_EQ(line.total, c.total) << '"' << c.text << '"';
    }
}

TEST(ListingLine, RefusesAnyOtherLine) {
    const std::string too_many = std::string(66, '0') + ":00";
    const std::string too_long = "08 : 08" + std::string(listing_line_max, ' ');
    for (const std::string& text :
         {std::string("08 08"), std::string("08 : 0"), std::string("08 : 000"),
          std::string("0 : 00"), std::string("08 :: 08"), std::string("08 : 08 :"),
          std::string(":"), std::string("08 : 0g"), std::string("C000: 08 : 08"),
          std::string("08 : 08 # note"), std::string("08\v: 08"), std::string("08 : 08\r"),
          std::string("08 \0: 08", 8), too_many, too_long}) {
        EXPECT_EQ(parse_listing_line(text.data(), text.size()).kind, line_kind::invalid)
            << '"' << text << '"';
    }
}

} // namespace
