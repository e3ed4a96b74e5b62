#include "check/check_pair.h"
#include "memory_input.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <functional>
#include <string>

namespace {

// The sums of `n` counting bytes from 7 on, placed at `address`.
page_sums page_of(std::uint32_t address, std::size_t n) {
    static std::uint8_t block[page_size];
    const std::string bytes = counting(n, 7);
    bytes.copy(reinterpret_cast<char*>(block) + (address & 0xFF), n);
    return sum_page(block, address, n);
}

// A listing line that holds exactly the page's checksums and total.
listing_line line_of(const page_sums& page) {
    listing_line line{};
    line.kind = line_kind::page;
    line.count = page.count;
    std::copy(page.line + page.first, page.line + page.first + page.count, line.checksum);
    line.total = page.total;
    return line;
}

void drop_checksum(listing_line& line, unsigned at) {
    std::copy(line.checksum + at + 1, line.checksum + line.count, line.checksum + at);
    --line.count;
}

struct pair_case {
    const char* what;
    page_sums page;
    std::function<void(page_sums&, listing_line&)> change;
    pair_verdict verdict;
    std::uint32_t differing;
    unsigned position;
};

TEST(ComparePair, SaysWhichFileToMend) {
    const page_sums whole = page_of(0x1200, 256);
    const page_sums tail = page_of(0x1280, 128);
    const page_sums four = page_of(0x1200, 32);
    const pair_case cases[] = {
        {"alike", whole, [](page_sums&, listing_line&) {}, pair_verdict::same, 0, 0},
        {"a line of the image", whole, [](page_sums& p, listing_line&) { p.line[3] += 8; },
         pair_verdict::image_wrong, 1u << 3, 0},
        {"a checksum of the listing", whole, [](page_sums&, listing_line& l) { ++l.checksum[5]; },
         pair_verdict::listing_checksum, 1u << 5, 0},
        {"the listing's total", whole, [](page_sums&, listing_line& l) { ++l.total; },
         pair_verdict::listing_total, 0, 0},
        {"a checksum and the total, apart", whole,
         [](page_sums&, listing_line& l) { ++l.checksum[5], l.total += 2; },
         pair_verdict::both_wrong, 1u << 5, 0},
        {"two checksums of the listing", whole,
         [](page_sums&, listing_line& l) { ++l.checksum[5], ++l.checksum[6]; },
         pair_verdict::both_wrong, 3u << 5, 0},
        {"a table of totals that agrees", whole, [](page_sums&, listing_line& l) { l.count = 0; },
         pair_verdict::same, 0, 0},
        {"a table of totals that does not", whole,
         [](page_sums&, listing_line& l) { l.count = 0, ++l.total; }, pair_verdict::total_only, 0,
         0},
        {"the image ends inside the page", tail,
         [&](page_sums&, listing_line& l) { l = line_of(whole); }, pair_verdict::partial_page, 0,
         0},
        {"a checksum missing", whole, [](page_sums&, listing_line& l) { drop_checksum(l, 7); },
         pair_verdict::checksum_missing, 0, 7},
        {"the first of equal checksums missing", four,
         [](page_sums& p, listing_line& l) {
             p.line[2] = p.line[1];
             l = line_of(p);
             drop_checksum(l, 2);
         },
         pair_verdict::checksum_missing, 0, 1},
        {"a checksum too many", four,
         [](page_sums& p, listing_line& l) {
             p.count = 3; // the total stays: the listing's, with the extra checksum
             l.checksum[3] = l.checksum[2];
             l.checksum[2] = static_cast<std::uint8_t>(l.checksum[1] + 0x40);
         },
         pair_verdict::checksum_extra, 0, 2},
        {"a checksum missing, the total apart", whole,
         [](page_sums&, listing_line& l) { drop_checksum(l, 7), ++l.total; },
         pair_verdict::counts_differ, 0, 0},
        {"two checksums missing", whole,
         [](page_sums&, listing_line& l) { drop_checksum(l, 7), drop_checksum(l, 7); },
         pair_verdict::counts_differ, 0, 0},
    };
    for (const auto& c : cases) {
        page_sums page = c.page;
        listing_line line = line_of(page);
        c.change(page, line);
        const pair_result r = compare_pair(page, line);
        EXPECT_EQ(r.verdict, c.verdict) << c.what;
        EXPECT_EQ(r.differing, c.differing) << c.what;
        EXPECT_EQ(r.position, c.position) << c.what;
    }
}

TEST(ComparePair, AddsUpWithTheSeedsOfTheLinesCompared) {
    const page_sums whole = page_of(0x1200, 256);
    EXPECT_TRUE(adds_up(line_of(whole), 0x1200, 0));
    EXPECT_FALSE(adds_up(line_of(whole), 0x1300, 0));
    const page_sums tail = page_of(0x1280, 128);
    EXPECT_TRUE(adds_up(line_of(tail), 0x1200, 16));
    listing_line totals{};
    EXPECT_TRUE(adds_up(totals, 0x1200, 0));
    totals.total = 1;
    EXPECT_FALSE(adds_up(totals, 0x1200, 0));
}

std::string edits_text(const digit_edits& edits) {
    std::string text;
    for (unsigned i = 0; i < edits.count; ++i) {
        char one[32];
        std::snprintf(one, sizeof one, "%s%04" PRIX32 ": %02X for %02X", i == 0 ? "" : ", ",
                      edits.edit[i].address, edits.edit[i].fits, edits.edit[i].typed);
        text += one;
    }
    return text;
}

TEST(ComparePair, FindsTheDigitToMend) {
    struct edit_case {
        const char* what;
        std::string bytes;
        unsigned typed, marked;
        std::uint8_t difference;
        std::string edits;
    };
    const std::string twos(8, '\x22'); // 2 has no look-alike, and 22 exchanged is no edit
    const edit_case cases[] = {
        {"a B typed as 8", twos.substr(0, 3) + "\x48" + twos.substr(4), 0xFF, 0, 0x03,
         "C003: 4B for 48"},
        {"a 0 typed as D", twos.substr(0, 3) + "\xD4" + twos.substr(4), 0xFF, 0, 0x30,
         "C003: 04 for D4"},
        {"digits exchanged", twos.substr(0, 3) + "\x84" + twos.substr(4), 0xFF, 0, 0xC4,
         "C003: 48 for 84"},
        {"nothing fits", twos.substr(0, 3) + "\x48" + twos.substr(4), 0xFF, 0, 0x01, ""},
        {"a byte not typed", twos.substr(0, 3) + "\x48" + twos.substr(4), 0xF7, 0, 0x03, ""},
        {"three fit", std::string(3, '\x08') + twos.substr(3), 0xFF, 0, 0x03,
         "C000: 0B for 08, C001: 0B for 08, C002: 0B for 08"},
        {"four fit: too many to tell", std::string(4, '\x08') + twos.substr(4), 0xFF, 0, 0x03, ""},
        {"in address order", "\x22\x1E\x22\x22\x22\x22\x22\x85", 0xFF, 0, 0x01,
         "C001: 1F for 1E, C007: 86 for 85"},
        {"a byte with a character that is no digit first", "\x22\x1E\x22\x22\x22\x22\x22\x85", 0xFF,
         0x80, 0x01, "C007: 86 for 85, C001: 1F for 1E"},
    };
    for (const auto& c : cases) {
        const digit_edits edits = find_edits(reinterpret_cast<const std::uint8_t*>(c.bytes.data()),
                                             c.typed, c.marked, 0xC000, c.difference);
        EXPECT_EQ(edits_text(edits), c.edits) << c.what;
    }
}

} // namespace
