#include "listing.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Bytes first, first + 1, ... wrapping at 256.
std::string counting(std::size_t n, unsigned first = 0) {
    std::string bytes(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        bytes[i] = static_cast<char>((first + i) & 0xFF);
    }
    return bytes;
}

std::FILE* stream_of(const std::string& bytes) {
    std::FILE* stream = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::rewind(stream);
    return stream;
}

std::string contents(std::FILE* stream) {
    std::rewind(stream);
    std::string text;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, stream)) > 0;) {
        text.append(buffer, n);
    }
    return text;
}

struct listed {
    listing_status status;
    std::string text;
};

listed list(std::uint32_t start, const std::string& bytes) {
    std::FILE* in = stream_of(bytes);
    std::FILE* out = std::tmpfile();
    const listing_status status = list_page_checksums(in, start, out);
    listed result{status, contents(out)};
    std::fclose(in);
    std::fclose(out);
    return result;
}

struct listing_case {
    std::uint32_t start;
    std::string bytes;
    std::string text;
};

const char* const full_page_0 = "1C 64 AC F4 3C 84 CC 14 5C A4 EC 34 7C C4 0C 54 "
                                "9C E4 2C 74 BC 04 4C 94 DC 24 6C B4 FC 44 8C D4 : 80\n";

template <std::size_t N> void expect_listings(const listing_case (&cases)[N]) {
    for (const auto& c : cases) {
        const listed result = list(c.start, c.bytes);
        EXPECT_EQ(result.status, listing_status::complete);
        EXPECT_EQ(result.text, c.text)
            << std::hex << "start " << c.start << ", " << std::dec << c.bytes.size() << " bytes";
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

TEST(Listing, PrintsNothingForAnEmptyInput) {
    const listed result = list(0x1234, "");
    EXPECT_EQ(result.status, listing_status::complete);
    EXPECT_EQ(result.text, "");
}

TEST(Listing, LeavesBytesOfNoWholeLineUnsummed) {
    const listing_case cases[] = {
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

// Streams that fail on demand: the input delivers `good` zero bytes, then every read fails;
// the output refuses every write.
ssize_t read_then_fail(void* cookie, char* buffer, std::size_t size) {
    auto* good = static_cast<std::size_t*>(cookie);
    if (*good == 0) {
        errno = EIO;
        return -1;
    }
    const std::size_t n = size < *good ? size : *good;
    std::memset(buffer, 0, n);
    *good -= n;
    return static_cast<ssize_t>(n);
}

ssize_t refuse_write(void* /*cookie*/, const char* /*buffer*/, std::size_t /*size*/) {
    errno = ENOSPC;
    return -1;
}

TEST(ListingFaults, ReadErrorEndsTheListingAfterThePagesBeforeIt) {
    std::size_t good = 600; // two whole pages, then a read fails inside the third
    std::FILE* in = fopencookie(&good, "rb", {read_then_fail, nullptr, nullptr, nullptr});
    std::FILE* out = std::tmpfile();
    ASSERT_NE(in, nullptr);
    EXPECT_EQ(list_page_checksums(in, 0x0, out), listing_status::read_failed);
    EXPECT_EQ(contents(out), "00 08 10 18 20 28 30 38 40 48 50 58 60 68 70 78 "
                             "80 88 90 98 A0 A8 B0 B8 C0 C8 D0 D8 E0 E8 F0 F8 : 00\n"
                             "01 09 11 19 21 29 31 39 41 49 51 59 61 69 71 79 "
                             "81 89 91 99 A1 A9 B1 B9 C1 C9 D1 D9 E1 E9 F1 F9 : 00\n");
    std::fclose(in);
    std::fclose(out);
}

TEST(ListingFaults, RefusedOutputStopsTheListing) {
    const std::string bytes = counting(1 << 20);
    std::FILE* in = stream_of(bytes);
    std::FILE* out = fopencookie(nullptr, "w", {nullptr, refuse_write, nullptr, nullptr});
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(list_page_checksums(in, 0x0, out), listing_status::write_failed);
    EXPECT_LT(std::ftell(in), static_cast<long>(bytes.size())); // it did not read on
    std::fclose(in);
    std::fclose(out);
}

} // namespace
