#include "walk/page_sums.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

struct block_of {
    std::uint8_t bytes[page_size] = {};
    explicit block_of(std::uint8_t fill) { std::memset(bytes, fill, sizeof bytes); }
};

TEST(PageSums, SeedsEachLineWithBits0To15OfItsAddress) {
    const block_of zeros(0x00);
    const struct {
        std::uint32_t address;
        unsigned line;
        std::uint8_t checksum;
    } cases[] = {
        {0x00000000, 0, 0x00},  {0x00000100, 0, 0x01},  {0x00001238, 7, 0x4A},
        {0x00001238, 8, 0x52},  {0x12345600, 0, 0x56},  {0x00005600, 0, 0x56},
        {0x0000FFF8, 31, 0xF7}, {0x00FFFF00, 31, 0xF7},
    };
    for (const auto& c : cases) {
        const page_sums sums = sum_page(zeros.bytes, c.address, page_size - (c.address & 0xFF));
        EXPECT_EQ(sums.line[c.line], c.checksum) << std::hex << c.address << " line " << c.line;
        EXPECT_EQ(sums.total, 0);
    }
}

TEST(PageSums, WrapsLineAndPageSumsToTheirLowByte) {
    const block_of ones(0xFF);
    const page_sums sums = sum_page(ones.bytes, 0, page_size);
    EXPECT_EQ(sums.line[0], 0xF8);  // 8 * 255 = 0x7F8
    EXPECT_EQ(sums.line[31], 0xF0); // 0xF8 + 0x7F8
    EXPECT_EQ(sums.total, 0x00);    // 256 * 255 = 0xFF00
}

TEST(PageSums, SumsWholeLinesOnly) {
    block_of data(0x01);
    const struct {
        std::uint32_t address;
        std::size_t n;
        unsigned first, count;
        std::uint8_t total;
        std::uint32_t next;
    } cases[] = {
        {0x0000, 256, 0, 32, 0x00, 0x0100}, {0x0000, 255, 0, 31, 0xF8, 0x00F8},
        {0x0000, 15, 0, 1, 0x08, 0x0008},   {0x0000, 7, 0, 0, 0x00, 0x0000},
        {0x0010, 240, 2, 30, 0xF0, 0x0100}, {0x00F8, 8, 31, 1, 0x08, 0x0100},
        {0x0013, 5, 2, 1, 0x08, 0x0018},    {0x0013, 4, 2, 0, 0x00, 0x0013},
        {0x0007, 249, 0, 32, 0x00, 0x0100}, {0x00FC, 4, 31, 1, 0x08, 0x0100},
    };
    for (const auto& c : cases) {
        const page_sums sums = sum_page(data.bytes, c.address, c.n);
        EXPECT_EQ(sums.first, c.first) << std::hex << c.address << ' ' << c.n;
        EXPECT_EQ(sums.count, c.count) << std::hex << c.address << ' ' << c.n;
        EXPECT_EQ(sums.total, c.total) << std::hex << c.address << ' ' << c.n;
        EXPECT_EQ(sums.next_address, c.next) << std::hex << c.address << ' ' << c.n;
    }
}

TEST(PageSums, NextAddressWrapsFromTheTopOfTheAddressSpaceToZero) {
    const block_of zeros(0x00);
    EXPECT_EQ(sum_page(zeros.bytes, 0xFFFFFFF8, 8).next_address, 0u);
    EXPECT_EQ(sum_page(zeros.bytes, 0xFFFFFF00, 256).next_address, 0u);
    EXPECT_EQ(sum_page(zeros.bytes, 0xFFFFFFF8, 8).line[31], 0xF7); // 0xFF + 0xF8
}

TEST(PageSums, WholePageAgreesWithItsLinesSummedOneByOne) {
    block_of data(0x00);
    std::uint32_t state = 1;
    for (auto& byte : data.bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 16);
    }
    for (const std::uint32_t page : {0x00000000u, 0x00000100u, 0x0000FF00u, 0xFFFFFF00u}) {
        const page_sums whole = sum_page(data.bytes, page, page_size);
        std::uint32_t total = 0;
        for (unsigned i = 0; i < lines_per_page; ++i) {
            const page_sums line = sum_page(data.bytes, page + 8 * i, line_size);
            ASSERT_EQ(line.count, 1u);
            EXPECT_EQ(whole.line[i], line.line[i]) << std::hex << page << " line " << i;
            total += line.total;
        }
        EXPECT_EQ(whole.total, total & 0xFF) << std::hex << page;
    }
}

// What every byte has in common: random bytes with some bits cleared and some set, all other
// bits seen both ways within the page.
TEST(PageSums, FindsTheBitsThatEveryByteShares) {
    const struct {
        std::uint8_t clear, set;
    } cases[] = {{0x00, 0x00}, {0x80, 0x01}, {0x0F, 0xF0}, {0xFF, 0x00}, {0x00, 0xFF}};
    for (const auto& c : cases) {
        block_of data(0x00);
        std::uint32_t state = 7;
        for (auto& byte : data.bytes) {
            state = state * 1103515245u + 12345u;
            byte = static_cast<std::uint8_t>(((state >> 16) & ~c.clear) | c.set);
        }
        page_sums whole{};
        whole_page_bits(data.bytes, 1, &whole);
        page_sums part{};
        page_bits(data.bytes + 3, page_size - 3, part);
        for (const page_sums& sums : {whole, part}) {
            EXPECT_EQ(sums.bits_and, c.set)
                << std::hex << unsigned{c.clear} << ' ' << unsigned{c.set};
            EXPECT_EQ(sums.bits_or, static_cast<std::uint8_t>(~c.clear))
                << std::hex << unsigned{c.clear} << ' ' << unsigned{c.set};
        }
    }
}

} // namespace
