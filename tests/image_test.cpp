#include "fuzz/model.h"
#include "image/image_formats.h"
#include "listing/listing.h"
#include "memory_input.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

// The file I read in `format` and listed, or its error line. The text comes 5 bytes a read.
std::string listed(image_format format, const std::string& file,
                   std::optional<std::uint32_t> start = std::nullopt, std::uint8_t fill = 0xFF) {
    image read{};
    text_input in{file, 5, false, 0};
    const image_error error = read_image_file(format, text_source{read_piece, &in}, start, read);
    if (error.fault != image_fault::none) {
        char line[160];
        describe_image_error(error, format, "I", line, sizeof line);
        return std::string(line) + "\n";
    }
    std::FILE* out = std::tmpfile();
    listing_text text{out, false, 0, false};
    image_reader reader = read_image(read, fill);
    walk_pages(image_bytes(reader), image_start(read), listing_consumer(text));
    finish_listing(text);
    const std::string result = contents(out);
    std::fclose(out);
    return result;
}

std::string raw(std::uint32_t start, const std::string& bytes) {
    return model_listing(start, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

struct image_case {
    const char* what;
    image_format format;
    std::optional<std::uint32_t> start;
    std::string file;
    std::string listing; // or the error line
};

template <std::size_t N> void expect_images(const image_case (&cases)[N]) {
    for (const auto& c : cases) {
        EXPECT_EQ(listed(c.format, c.file, c.start), c.listing) << c.what;
    }
}

const std::string ones(8, '\x01');
const std::string zeros(16, '\0');
const std::string end_of_file = ":00000001FF\n";

TEST(Image, ReadsTypedHex) {
    constexpr auto hex = image_format::hex;
    const image_case cases[] = {
        {"a label", hex, std::nullopt, "0000: 01 01 01 01 01 01 01 01\n", raw(0, ones)},
        {"no label: at the start address", hex, 0x1238, "0000000000000000\n00 00 00 00 0000 0000",
         raw(0x1238, zeros)},
        {"$, & and 0x labels, the Apple II's mark, no blank after it", hex, std::nullopt,
         "$1238:00 00\n&123A: 00 00\n0x123C- 00 00 00 00\n0X1240-0000000000000000\n",
         raw(0x1238, zeros)},
        {"a first group of 4 digits before pairs is a label", hex, std::nullopt,
         "1238 00 00 00 00 00 00 00 00\n00 00 00 00 00 00 00 00\n", raw(0x1238, zeros)},
        {"a lone group of 4 digits is bytes", hex, 0, "C000\n000000000000\n",
         raw(0, std::string("\xC0\0\0\0\0\0\0\0", 8))},
        {"comments after #, ; and |, blank lines, CR LF, a byte order mark", hex, std::nullopt,
         "\xEF\xBB\xBF# typed\r\n\r\n0000: 01 01 01 01 ; first half\r\n01 01\t01 01 |....|\r\n",
         raw(0, ones)},
        {"a start address moves the lowest label there", hex, 0, "C000: 0101010101010101\n",
         raw(0, ones)},
        {"lines go on past FFFFFFFF at 0", hex, 0xFFFFFFF8,
         "00 00 00 00 00 00 00 00\n00 00 00 00 00 00 00 00\n", raw(0xFFFFFFF8, zeros)},
        {"a label alone says where the next line goes", hex, std::nullopt,
         "1238:\n00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\n", raw(0x1238, zeros)},
        {"a character that is not a digit", hex, std::nullopt, "0000: A9 0G 8D\n",
         "I:1: character 'G' at column 11\n"},
        {"a byte that is not printable", hex, std::nullopt, "0000: A9 \xC3\xA9\n",
         "I:1: byte 0xC3 at column 10\n"},
        {"an odd count in a group before a character in the next", hex, std::nullopt,
         "0000: A9 0 8G\n", "I:1: an odd number of digits at column 10\n"},
        {"an odd count after a mark without a blank", hex, std::nullopt, "0000:A9 00\n0008:A\n",
         "I:2: an odd number of digits at column 6\n"},
        {"no label and no start address, after the line's own faults", hex, std::nullopt,
         "# x\nA9 00\n", "I:2: no address label, and no start address given\n"},
        {"a line's own fault before the missing start address", hex, std::nullopt, "A9 0\n",
         "I:1: an odd number of digits at column 4\n"},
        {"a line too long", hex, std::nullopt, std::string(4097, '0') + "\n",
         "I:1: more than 4096 characters\n"},
        {"an empty text lists nothing", hex, std::nullopt, "# nothing\n", ""},
        {"UTF-16 that ends inside a character", hex, 0,
         std::string("\xFF\xFE"
                     "0\0"
                     "1\0"
                     "\n\0"
                     "x",
                     9),
         "I:2: UTF-16 text ends inside a character\n"},
        {"UTF-16 with a lone surrogate", hex, 0,
         std::string("\xFF\xFE"
                     "0\0"
                     "\0\xDC"
                     "\n\0",
                     8),
         "I:1: a lone UTF-16 surrogate at column 2\n"},
        {"UTF-16 without a byte order mark", hex, 0,
         std::string("0\0"
                     "1\0"
                     "\n\0",
                     6),
         "I: looks like UTF-16 without a byte order mark\n"},
    };
    expect_images(cases);
}

TEST(Image, ReadsIntelHexAndSRecords) {
    constexpr auto ihex = image_format::ihex;
    constexpr auto srec = image_format::srec;
    const std::string ones_at_0 = ":080000000101010101010101F0\n";
    const image_case cases[] = {
        {"data and the end", ihex, std::nullopt, ones_at_0 + end_of_file, raw(0, ones)},
        {"lower case, trailing blanks, start records, lines after the end", ihex, std::nullopt,
         ":0400000500000000F7\n:080000000101010101010101f0 \t\n\n:0400000300000000F9\n" +
             end_of_file + "anything",
         raw(0, ones)},
        {"CR LF, CR alone, no line end at the end", ihex, std::nullopt,
         ":0400000001010101F8\r\n:0400040001010101F4\r:00000001FF", raw(0, ones)},
        {"a segment base", ihex, std::nullopt,
         ":020000020010EC\n:080000000000000000000000F8\n:080008000000000000000000F0\n" +
             end_of_file,
         raw(0x100, zeros)},
        {"a linear base, and a start address that moves it", ihex, 0x1238,
         ":02000004C0003A\n:1000000000000000000000000000000000000000F0\n" + end_of_file,
         raw(0x1238, zeros)},
        {"not a record", ihex, std::nullopt, " " + ones_at_0, "I:1: not a record\n"},
        {"UTF-16 with a lone surrogate", ihex, std::nullopt,
         std::string("\xFE\xFF"
                     "\0:"
                     "\xD8\0"
                     "\0\n",
                     8),
         "I:1: a lone UTF-16 surrogate at column 2\n"},
        {"too short to be a record", ihex, std::nullopt, ":00000001F\n", "I:1: not a record\n"},
        {"a blank inside a record", ihex, std::nullopt, ":0800000001010101 010101F0\n",
         "I:1: byte 0x20 at column 18\n"},
        {"the length", ihex, std::nullopt, ":0800000001010101010101F1\n",
         "I:1: length 08, the record holds 07 bytes\n"},
        {"a length past the line's end", ihex, std::nullopt,
         ":FF00000000\n" + std::string(600, '\n') + end_of_file,
         "I:1: length FF, the record holds 00 bytes\n"},
        {"the checksum", ihex, std::nullopt, ":080000000101010101010101F1\n",
         "I:1: checksum F1, should be F0\n"},
        {"a record type it does not know", ihex, std::nullopt, ":00000006FA\n",
         "I:1: record type 06\n"},
        {"a record type with the wrong length", ihex, std::nullopt, ":0100000400FB\n",
         "I:1: record type 04\n"},
        {"no end-of-file record", ihex, std::nullopt, ones_at_0, "I: no end-of-file record\n"},
        {"a header, 16-, 24- and 32-bit data, a count and the end", srec, std::nullopt,
         "S00600004844521B\nS107000000000000F8\nS2060000040000F5\n"
         "S307000000060000F2\nS5030003F9\nS9030000FC\nanything",
         raw(0, std::string(8, '\0'))},
        {"no end record needed", srec, std::nullopt, "S10B00000101010101010101EC\n", raw(0, ones)},
        {"a count that is not the data records'", srec, std::nullopt,
         "S10B00000101010101010101EC\nS5030002FA\n", "I:2: count 2, the file has 1 data records\n"},
        {"a record type it does not know", srec, std::nullopt, "S4030000FC\n",
         "I:1: record type S4\n"},
        {"a type that is not a digit", srec, std::nullopt, "SX030000FC\n",
         "I:1: character 'X' at column 2\n"},
        {"S-record length and checksum", srec, std::nullopt,
         "S10B00000101010101010101EC\nS10B000001010101010101ED\n",
         "I:2: length 0B, the record holds 0A bytes\n"},
        {"S-record checksum", srec, std::nullopt, "S10B00000101010101010101ED\n",
         "I:1: checksum ED, should be EC\n"},
    };
    expect_images(cases);
}

TEST(Image, ReadsPrgFiles) {
    EXPECT_EQ(listed(image_format::prg, std::string("\x38\x12", 2) + zeros), raw(0x1238, zeros));
    EXPECT_EQ(listed(image_format::prg, std::string("\x00\xC0", 2) + ones, 0), raw(0, ones));
    EXPECT_EQ(listed(image_format::prg, "\x01"), "I: no load address\n");
}

TEST(Image, FillsHolesAndPassesOverEmptyPages) {
    constexpr auto hex = image_format::hex;
    const std::string two_lines = "0000: 0101010101010101\n0010: 0101010101010101\n";
    EXPECT_EQ(listed(hex, two_lines), "08 00 18 : 08\n"); // the line at 0008 is FF
    EXPECT_EQ(listed(hex, two_lines, std::nullopt, 0x00), "08 08 18 : 10\n");
    EXPECT_EQ(listed(hex, "0000: 0101010101010101\n0304: 01010101\n0300: 01010101\n"),
              "08 00 08 10 18 20 28 30 38 40 48 50 58 60 68 70 78 80 88 90 98 A0 A8 B0 B8 C0 "
              "C8 D0 D8 E0 E8 F0 : 10\n0300: 0B : 08\n");
    // A line before the first byte in its page counts no bytes before it; after the last
    // byte, no line that is not whole.
    EXPECT_EQ(listed(hex, "0004: 01010101\n0108: 01010101 01010101 01\n"),
              "04 00 08 10 18 20 28 30 38 40 48 50 58 60 68 70 78 80 88 90 98 A0 A8 B0 B8 C0 "
              "C8 D0 D8 E0 E8 F0 : 0C\n"
              "F9 11 : 00\n");
    // Past FFFFFFFF the image reaches page 0 again, or the pages that follow it.
    EXPECT_EQ(listed(hex, "0:00\nFFFFFFFF:00\n", 0x10), raw(0x10, std::string(2, '\0')));
    EXPECT_EQ(listed(hex, "0:00\n10:00\n20:00\n", 0xFFFFFFF8), "F0 : F9\nF8 01 08 : E9\n");
    // The image runs on from where it lies, past FFFFFFFF.
    EXPECT_EQ(listed(hex, "0101010101010101\n0100: 0101010101010101\n", 0xFFFFFF00),
              raw(0xFFFFFF00, ones + std::string(248, '\xFF')) + "0100: " + raw(0x100, ones));
}

// An image across FFFFFFFF lies from its first address in circular order, whatever the order
// of its records: there without a start address, at the start address with one.
TEST(Image, PlacesAnImageAcrossFFFFFFFFFromItsFirstAddress) {
    const std::string bytes = "\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C";
    const struct {
        const char* what;
        image_format format;
        std::string file;
    } cases[] = {
        {"typed, running on", image_format::hex,
         "FFFFFFFC: 01 02 03 04 05 06 07 08\n 09 0A 0B 0C\n"},
        {"typed, the wrapped part first", image_format::hex,
         "0: 05 06 07 08 09 0A 0B 0C\nFFFFFFFC: 01 02 03 04\n"},
        {"Intel HEX, one record", image_format::ihex,
         ":02000004FFFFFC\n:0CFFFC000102030405060708090A0B0CAB\n" + end_of_file},
        {"Intel HEX, the wrapped part first", image_format::ihex,
         ":020000040000FA\n:0800000005060708090A0B0CB4\n:02000004FFFFFC\n"
         ":04FFFC0001020304F7\n" +
             end_of_file},
        {"S-records, one record", image_format::srec, "S311FFFFFFFC0102030405060708090A0B0CA7\n"},
        {"S-records, the wrapped part first", image_format::srec,
         "S30D0000000005060708090A0B0CAE\nS309FFFFFFFC01020304F3\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(listed(c.format, c.file), raw(0xFFFFFFFC, bytes)) << c.what;
        EXPECT_EQ(listed(c.format, c.file, 0xFFFFFFFC), raw(0xFFFFFFFC, bytes)) << c.what;
        EXPECT_EQ(listed(c.format, c.file, 0x1000), raw(0x1000, bytes)) << c.what;
    }
}

TEST(Image, RefusesOneAddressGivenTwoValues) {
    constexpr auto hex = image_format::hex;
    const image_case cases[] = {
        {"the same value twice is one byte", hex, std::nullopt,
         "0000: 01010101 01010101\n0004: 01010101\n", raw(0, ones)},
        {"the later line, its value, and the earlier line's", hex, std::nullopt,
         "0000: 01010101 01010101\n0006: 0102 0304\n", "I:2: 0007 holds 02, line 1 gave it 01\n"},
        {"the least later line, whatever the order of addresses", hex, std::nullopt,
         "0010: 01\n0000: 01\n0010: 02\n0000: 03\n", "I:3: 0010 holds 02, line 1 gave it 01\n"},
        {"a conflict before a faulty line comes first", hex, std::nullopt,
         "0000: 01\n0000: 02\nzz\n", "I:2: 0000 holds 02, line 1 gave it 01\n"},
        {"a faulty line before a conflict comes first", hex, std::nullopt,
         "0000: 01\nzz\n0000: 02\n", "I:2: character 'z' at column 1\n"},
        {"a conflict before the missing end-of-file record", image_format::ihex, std::nullopt,
         ":0100000001FE\n:0100000002FD\n", "I:2: 0000 holds 02, line 1 gave it 01\n"},
    };
    expect_images(cases);
}

} // namespace
