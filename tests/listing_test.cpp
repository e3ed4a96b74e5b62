#include "listing/listing.h"
#include "memory_input.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct listed {
    walk_status status;
    std::string text;
};

listed list(std::uint32_t start, memory_input& in, std::FILE* out) {
    listing_text text{out, false, 0, false};
    const walk_status status =
        walk_pages(byte_source{next_piece, &in}, start, listing_consumer(text));
    const bool written = finish_listing(text);
    listed result{written ? status : walk_status::stopped, contents(out)};
    std::fclose(out);
    return result;
}

listed list(std::uint32_t start, const std::string& bytes, std::size_t piece) {
    memory_input in{bytes, piece, false, 0};
    return list(start, in, std::tmpfile());
}

struct listing_case {
    std::uint32_t start;
    std::string bytes;
    std::string text;
};

const char* const full_page_0 = "1C 64 AC F4 3C 84 CC 14 5C A4 EC 34 7C C4 0C 54 "
                                "9C E4 2C 74 BC 04 4C 94 DC 24 6C B4 FC 44 8C D4 : 80\n";

// Every case lists alike whether the input arrives a byte at a time, in runs that split pages,
// or in whole pages.
template <std::size_t N> void expect_listings(const listing_case (&cases)[N]) {
    for (const auto& c : cases) {
        for (const std::size_t piece : {1, 7, 256, 4096}) {
            const listed result = list(c.start, c.bytes, piece);
            EXPECT_EQ(result.status, walk_status::complete);
            EXPECT_EQ(result.text, c.text) << std::hex << "start " << c.start << ", " << std::dec
                                           << c.bytes.size() << " bytes in runs of " << piece;
        }
    }
}

TEST(Listing, MatchesTheWorkedExamples) {
    const listing_case cases[] = {
        {0x0, std::string(8, '\x01'), "08 : 08\n"},      {0x100, std::string(8, '\0'), "01 : 00\n"},
        {0x1238, std::string(16, '\0'), "4A 52 : 00\n"}, {0x10, counting(20), "2C 74 : 78\n"},
        {0xF8, counting(24), "14 : 1C\n5D A5 : F8\n"},   {0x0, std::string(8, '\xFF'), "F8 : F8\n"},
    };
    expect_listings(cases);
}

TEST(Listing, LeavesBytesOfNoWholeLineUnsummed) {
    const listing_case cases[] = {
        {0x1234, "", ""},
        {0x0, counting(3), ": 00\n"},
        {0x0, counting(256), full_page_0},
        {0x0, counting(257), std::string(full_page_0) + ": 00\n"},
        {0x0, counting(263), std::string(full_page_0) + ": 00\n"},
        {0x0, counting(264), std::string(full_page_0) + "1D : 1C\n"},
    };
    expect_listings(cases);
}

TEST(Listing, AlignsPagesToTheAddressSpace) {
    const listing_case cases[] = {
        {0x10, counting(240 + 256 + 5),
         "2C 74 BC 04 4C 94 DC 24 6C B4 FC 44 8C D4 1C 64 AC F4 3C 84 CC 14 5C A4 EC 34 7C C4 0C "
         "54 : 08\n"
         "9D E5 2D 75 BD 05 4D 95 DD 25 6D B5 FD 45 8D D5 1D 65 AD F5 3D 85 CD 15 5D A5 ED 35 7D "
         "C5 0D 55 : 80\n"
         ": 00\n"},
        {0xFFFFFFF8, counting(16), "13 : 1C\n5C : 5C\n"},
    };
    expect_listings(cases);
}

TEST(Listing, CountsPositionsBeforeAnUnalignedStartAsZero) {
    const listing_case cases[] = {
        {0x13, counting(5, 1), "1F : 0F\n"},
        {0x7, counting(9, 1), "01 34 : 2D\n"},
        {0xFC, counting(12, 1), "02 : 0A\n45 : 44\n"},
        {0x13, counting(4, 1), ": 00\n"},
        // A filled first page leaves later pages whole: the second page is not bare.
        {0x1, counting(255 + 8, 1),
         "1C 64 AC F4 3C 84 CC 14 5C A4 EC 34 7C C4 0C 54 9C E4 2C 74 BC "
         "04 4C 94 DC 24 6C B4 FC 44 8C D4 : 80\n"
         "1D : 1C\n"},
    };
    expect_listings(cases);
}

TEST(ListingFaults, ReadErrorEndsTheListingAfterThePagesBeforeIt) {
    const std::string zeros(600, '\0'); // two whole pages, then a read fails inside the third
    memory_input in{zeros, 100, true, 0};
    const listed result = list(0x0, in, std::tmpfile());
    EXPECT_EQ(result.status, walk_status::read_failed);
    EXPECT_EQ(result.text, "00 08 10 18 20 28 30 38 40 48 50 58 60 68 70 78 "
                           "80 88 90 98 A0 A8 B0 B8 C0 C8 D0 D8 E0 E8 F0 F8 : 00\n"
                           "01 09 11 19 21 29 31 39 41 49 51 59 61 69 71 79 "
                           "81 89 91 99 A1 A9 B1 B9 C1 C9 D1 D9 E1 E9 F1 F9 : 00\n");
}

#if defined(__GLIBC__) // fopencookie
// A stream's write function tells a failure by 0, errno set.
ssize_t refuse_write(void* /*cookie*/, const char* /*buffer*/, std::size_t /*size*/) {
    errno = ENOSPC;
    return 0;
}

TEST(ListingFaults, RefusedOutputStopsTheListing) {
    const std::string bytes = counting(std::size_t{1} << 22);
    memory_input in{bytes, 4096, false, 0};
    std::FILE* out = fopencookie(nullptr, "w", {nullptr, refuse_write, nullptr, nullptr});
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(list(0x0, in, out).status, walk_status::stopped);
    EXPECT_LT(in.at, bytes.size()); // it did not read on
}
#endif

} // namespace
