#include "text/address.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

struct accepted_case {
    const char* text;
    std::uint32_t value;
};

TEST(StartAddress, AcceptsEveryWrittenFormOfTheSameAddress) {
    const accepted_case cases[] = {
        {"1000", 0x1000},  {"0x1000", 0x1000},   {"0X1000", 0x1000},
        {" 1000", 0x1000}, {"1000h", 0x1000},    {"\t\n\v\f\r 1000", 0x1000},
        {"+1000", 0x1000}, {"+0x1000", 0x1000},  {"c000", 0xC000},
        {"C000", 0xC000},  {"aBcDeF", 0xABCDEF}, {"$C000", 0xC000},
        {"&c000", 0xC000}, {" +$1000", 0x1000},  {"$0x10", 0x0},
    };
    for (const auto& c : cases) {
        const auto value = parse_start_address(c.text);
        ASSERT_TRUE(value.has_value()) << c.text;
        EXPECT_EQ(*value, c.value) << c.text;
    }
}

TEST(StartAddress, IgnoresWhateverFollowsTheDigits) {
    const accepted_case cases[] = {
        {"12 34", 0x12}, {"12g", 0x12}, {"0x12x3", 0x12}, {"f-1", 0xF}, {"1000 ", 0x1000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parse_start_address(c.text), c.value) << c.text;
    }
}

TEST(StartAddress, ReadsAPrefixWithoutDigitsAsZero) {
    for (const char* text :
         {"0x", "0X", "0xg", "0x 1", "-0x", "+0xz", "0", "-0", "00000000000", "0x$10"}) {
        EXPECT_EQ(parse_start_address(text), 0u) << text;
    }
}

TEST(StartAddress, NegatesAMinusSignModulo2To32) {
    const accepted_case cases[] = {
        {"-10", 0xFFFFFFF0},  {"-1", 0xFFFFFFFF},  {"-0x10", 0xFFFFFFF0},     {"-$10", 0xFFFFFFF0},
        {"-&10", 0xFFFFFFF0}, {" -FFFFFFFF", 0x1}, {"-80000000", 0x80000000},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parse_start_address(c.text), c.value) << c.text;
    }
}

TEST(StartAddress, TakesEightSignificantDigitsAfterAnyLeadingZeros) {
    const accepted_case cases[] = {
        {"FFFFFFFF", 0xFFFFFFFF},
        {"0xffffffff", 0xFFFFFFFF},
        {"000000000000FFFFFFFF", 0xFFFFFFFF},
        {"0x0000000012345678", 0x12345678},
        {"FFFFFFF8", 0xFFFFFFF8},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parse_start_address(c.text), c.value) << c.text;
    }
}

TEST(StartAddress, RefusesTextWithoutAHexadecimalDigit) {
    for (const char* text : {"", " ", "zz", "-", "+", "x10", "-x10", "--10", "+-10", "- 10",
                             "h1000", "\2001", "$", "&", "$g", "-$", "$ 10", "$$10", "$-10"}) {
        EXPECT_FALSE(parse_start_address(text).has_value()) << '"' << text << '"';
    }
}

TEST(StartAddress, RefusesValuesAbove32Bits) {
    for (const char* text : {"100000000", "0x100000000", "FFFFFFFFF", "-100000000",
                             "123456789ABCDEF0123", "000100000000", "$100000000"}) {
        EXPECT_FALSE(parse_start_address(text).has_value()) << text;
    }
}

} // namespace
