#include "listing/page_text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string text_of(const page_sums& sums) {
    char text[page_text_room];
    return std::string(text, format_page(sums, text));
}

TEST(PageText, PageWithoutWholeLinesIsTheBareTotal) {
    page_sums sums{};
    sums.first = 5;
    EXPECT_EQ(text_of(sums), ": 00\n");
}

TEST(PageText, WritesTwoUppercaseDigitsWithLeadingZero) {
    page_sums sums{};
    sums.first = 3;
    sums.count = 4;
    const std::uint8_t values[] = {0x00, 0x0A, 0xAB, 0xF0};
    for (unsigned i = 0; i < 4; ++i) {
        sums.line[3 + i] = values[i];
    }
    sums.total = 0x07;
    EXPECT_EQ(text_of(sums), "00 0A AB F0 : 07\n");
}

TEST(PageText, FullPageIsOneHundredCharactersAndTheNewline) {
    page_sums sums{};
    sums.count = lines_per_page;
    for (unsigned i = 0; i < lines_per_page; ++i) {
        sums.line[i] = static_cast<std::uint8_t>(0xFF - i);
    }
    sums.total = 0xFF;
    const std::string text = text_of(sums);
    ASSERT_EQ(text.size(), page_text_max);
    EXPECT_EQ(text.substr(0, 9), "FF FE FD ");
    EXPECT_EQ(text.substr(87), "E2 E1 E0 : FF\n");
}

} // namespace
