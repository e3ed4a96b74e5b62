#include "check.h"
#include "listing_line.h"
#include "memory_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>

namespace {

struct checked {
    check_status status;
    std::string report;
};

checked check(std::uint32_t start, const std::string& image, const std::string& listing,
              bool listing_fails = false) {
    memory_input pages{image, 1000, false, 0};
    text_input text{listing, 37, listing_fails, 0};
    std::FILE* out = std::tmpfile();
    check_state state = start_check(text_source{read_piece, &text}, "L", out, write_plain);
    const walk_status walked =
        walk_pages(byte_source{next_piece, &pages}, start, check_consumer(state));
    const check_status status = finish_check(state, walked);
    checked result{status, contents(out)};
    std::fclose(out);
    return result;
}

// The listing of counting(512) at 0.
const std::string page_0 = "1C 64 AC F4 3C 84 CC 14 5C A4 EC 34 7C C4 0C 54 "
                           "9C E4 2C 74 BC 04 4C 94 DC 24 6C B4 FC 44 8C D4 : 80";
const std::string page_1 = "1D 65 AD F5 3D 85 CD 15 5D A5 ED 35 7D C5 0D 55 "
                           "9D E5 2D 75 BD 05 4D 95 DD 25 6D B5 FD 45 8D D5 : 80";

std::string lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string without_spaces(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

struct check_case {
    const char* what;
    std::uint32_t start;
    std::string image;
    std::string listing;
    check_status status;
    std::string report;
};

TEST(Check, ReportsEveryDifferenceInPageOrder) {
    const std::string image = counting(512);
    const std::string all_match = "all 2 pages match\n";
    const std::string long_line(listing_line_max + 1, ' ');
    const check_case cases[] = {
        {"its own listing", 0, image, page_0 + "\n" + page_1 + "\n", check_status::all_match,
         all_match},
        {"CR LF, lower case, no spaces, comments, no final newline", 0, image,
         "# ROM at 0000\r\n\r\n" + lower(page_0) + "\r\n  # page 0100\n" + without_spaces(page_1),
         check_status::all_match, all_match},
        {"a line checksum and the total", 0, image,
         page_0 + "\n" + page_1.substr(0, 3) + "66" + page_1.substr(5, 93) + "81\n",
         check_status::differ,
         "0108: line checksum 65, listing has 66\n0100: page total 80, listing has 81\n"
         "1 of 2 pages differ\n"},
        {"different numbers of checksums", 0, image, page_0.substr(3) + "\n" + page_1 + "\n",
         check_status::differ, "0000: 32 line checksums, listing has 31\n1 of 2 pages differ\n"},
        {"a line that is not a checksum line", 0, image,
         "# two pages\nC000: " + page_0 + "\n" + page_1 + "\n", check_status::differ,
         "L:2: not a checksum line\n1 of 2 pages differ\n"},
        {"a line too long", 0, image, long_line + "\n" + page_1, check_status::differ,
         "L:1: not a checksum line\n1 of 2 pages differ\n"},
        {"a page not in the listing", 0, image, page_0 + "\n# end\n", check_status::differ,
         "0100: page not in the listing\n1 of 2 pages differ\n"},
        {"a page not in the image", 0, image, page_0 + "\n" + page_1 + "\n\n: 00\n: 00\n",
         check_status::differ, "L:4: page not in the image\n1 of 3 pages differ\n"},
        {"an empty image", 0, "", "# nothing\n: 00\n", check_status::differ,
         "L:2: page not in the image\n1 of 1 pages differ\n"},
        {"an unaligned start and the wrap", 0xFFFFFFFB, counting(8, 1), "06 : 0E\n: 00\n",
         check_status::differ, "FFFFFF00: page total 0F, listing has 0E\n1 of 2 pages differ\n"},
        {"an empty listing", 0, image, "", check_status::no_checksum_lines,
         "L: no checksum lines\n"},
        {"comments alone", 0, "", "# nothing\n\n", check_status::no_checksum_lines,
         "L: no checksum lines\n"},
    };
    for (const auto& c : cases) {
        const checked result = check(c.start, c.image, c.listing);
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_EQ(result.report, c.report) << c.what;
    }
}

TEST(Check, AFailedListingEndsTheCheckAfterTheReportsSoFar) {
    const checked result = check(0, counting(768), "# two\n: 00\n" + page_1 + "\n", true);
    EXPECT_EQ(result.status, check_status::listing_failed);
    EXPECT_EQ(result.report, "0000: 32 line checksums, listing has 0\n");
}

} // namespace
