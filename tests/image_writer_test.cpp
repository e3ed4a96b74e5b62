#include "write/image_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct run {
    std::uint32_t address;
    std::string bytes;
};

bool append(void* state, const char* data, std::size_t size) {
    static_cast<std::string*>(state)->append(data, size);
    return true;
}

std::string written(image_format format, const std::vector<run>& runs, std::uint32_t first,
                    std::uint32_t highest) {
    std::string out;
    image_writer w;
    start_writing(w, write_plan{format, 0xFF, first, highest, "\n"}, write_sink{append, &out});
    for (const run& r : runs) {
        write_bytes(w, r.address, reinterpret_cast<const std::uint8_t*>(r.bytes.data()),
                    r.bytes.size());
    }
    EXPECT_TRUE(finish_writing(w));
    return out;
}

struct writer_case {
    const char* what;
    std::vector<run> runs;
    std::uint32_t first, highest;
    std::string raw, hex, ihex, srec, prg;
};

// Each writer on small images: one off the 8-byte grid with a hole, one at FFFF0000, one across
// a 64 KiB boundary, and none; a .prg of those that lie within 0000..FFFF, as the others are
// refused before they are written.
TEST(ImageWriter, WritesEachFormat) {
    const std::string ten("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A");
    const writer_case cases[] = {
        {"off the grid, with a hole",
         {{0x0801, ten}, {0x0810, "\x11\x12"}},
         0x0801,
         0x0811,
         ten + "\xFF\xFF\xFF\xFF\xFF\x11\x12",
         "0801: 01 02 03 04 05 06 07\n0808: 08 09 0A\n0810: 11 12\n",
         ":0A0801000102030405060708090AB6\n:020810001112C3\n:00000001FF\n",
         "S0030000FC\nS10D08010102030405060708090AB2\nS10508101112BF\nS5030002FA\n"
         "S9030000FC\n",
         "\x01\x08" + ten + "\xFF\xFF\xFF\xFF\xFF\x11\x12"},
        {"at FFFF0000",
         {{0xFFFF0000, "\xAA\xBB"}},
         0xFFFF0000,
         0xFFFF0001,
         "\xAA\xBB",
         "FFFF0000: AA BB\n",
         ":02000004FFFFFC\n:02000000AABB99\n:00000001FF\n",
         "S0030000FC\nS307FFFF0000AABB95\nS5030001FB\nS70500000000FA\n",
         ""},
        {"across a 64 KiB boundary",
         {{0xFFF8, std::string(16, '\x5A')}},
         0xFFF8,
         0x10007,
         std::string(16, '\x5A'),
         "FFF8: 5A 5A 5A 5A 5A 5A 5A 5A\n00010000: 5A 5A 5A 5A 5A 5A 5A 5A\n",
         ":08FFF8005A5A5A5A5A5A5A5A31\n:020000040001F9\n:080000005A5A5A5A5A5A5A5A28\n"
         ":00000001FF\n",
         "S0030000FC\nS20C00FFF85A5A5A5A5A5A5A5A2C\nS20C0100005A5A5A5A5A5A5A5A22\nS5030002FA\n"
         "S804000000FB\n",
         ""},
        {"an empty image",
         {},
         0xC000,
         0xC000,
         "",
         "",
         ":00000001FF\n",
         "S0030000FC\nS5030000FC\nS9030000FC\n",
         std::string("\x00\xC0", 2)},
    };
    for (const writer_case& c : cases) {
        EXPECT_EQ(written(image_format::raw, c.runs, c.first, c.highest), c.raw) << c.what;
        EXPECT_EQ(written(image_format::hex, c.runs, c.first, c.highest), c.hex) << c.what;
        EXPECT_EQ(written(image_format::ihex, c.runs, c.first, c.highest), c.ihex) << c.what;
        EXPECT_EQ(written(image_format::srec, c.runs, c.first, c.highest), c.srec) << c.what;
        if (c.highest <= 0xFFFF) {
            EXPECT_EQ(written(image_format::prg, c.runs, c.first, c.highest), c.prg) << c.what;
        }
    }
}

} // namespace
