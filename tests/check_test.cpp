#include "check/check.h"
#include "fuzz/check_run.h"
#include "fuzz/model.h"
#include "memory_input.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

struct checked {
    check_status status;
    std::string report;
};

long read_image_at(void* state, std::uint64_t offset, void* buffer, std::size_t size) {
    const auto& image = *static_cast<const std::string*>(state);
    return static_cast<long>(image.copy(static_cast<char*>(buffer), size, offset));
}

// How a test's image is read: as a typed text of 8 bytes a line, from line 1 at the start.
enum class typed { no, hex };

struct image_at {
    std::uint32_t start;
    std::size_t size;
};

unsigned long long typed_line(const void* state, std::uint32_t address) {
    const auto& image = *static_cast<const image_at*>(state);
    const std::uint32_t offset = address - image.start;
    return offset < image.size ? offset / 8 + 1 : 0;
}

// Checks the image, named I, against the listing L, read 37 bytes at a time. A `regular` image
// can be read again, as a regular file can.
checked check(std::uint32_t start, const std::string& image, const std::string& listing,
              bool regular = false, bool listing_fails = false, bool all = true,
              typed as = typed::no) {
    memory_input pages{image, 1000, false, 0};
    text_input text{listing, 37, listing_fails, 0};
    std::FILE* out = std::tmpfile();
    const image_at typed_image{start, image.size()};
    file_replay file{regular ? read_image_at : nullptr, const_cast<std::string*>(&image),
                     image.size(), 0};
    const bool hex = as == typed::hex;
    check_state* state = begin_check(check_request{
        text_source{read_piece, &text}, start, check_output{out, write_plain, "L", "I"},
        check_options{all, hex,
                      hex ? image_text{typed_line, nullptr, &typed_image, nullptr, 0}
                          : image_text{},
                      !hex, nullptr, file_again(file)}});
    const walk_status walked =
        walk_pages(byte_source{next_piece, &pages}, start, check_consumer(*state));
    const check_status status = end_check(state, walked);
    checked result{status, contents(out)};
    std::fclose(out);
    return result;
}

// The lines of the model's listing of `image` at `start`, without their newlines.
std::vector<std::string> listing_lines(std::uint32_t start, const std::string& image) {
    return split_lines(
        model_listing(start, reinterpret_cast<const std::uint8_t*>(image.data()), image.size()));
}

std::string lines_of(const std::vector<std::string>& lines, const char* end = "\n") {
    std::string text;
    for (const auto& line : lines) {
        text += line + end;
    }
    return text;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string without_spaces(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

// ASCII text as UTF-16 with its byte order mark.
std::string utf16(const std::string& text, bool big_endian) {
    std::string units = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char c : text) {
        units += big_endian ? std::string{'\0', c} : std::string{c, '\0'};
    }
    return units;
}

// Bytes of the classic C rand() generator, seed 1: no two pages alike.
std::string random_bytes(std::size_t n) {
    std::string bytes(n, '\0');
    std::uint32_t state = 1;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 16);
    }
    return bytes;
}

std::string masked(std::string bytes, unsigned clear, unsigned set) {
    for (char& byte : bytes) {
        byte = static_cast<char>((static_cast<unsigned char>(byte) & ~clear) | set);
    }
    return bytes;
}

struct check_case {
    const char* what;
    std::uint32_t start;
    std::string image;
    std::string listing;
    check_status status;
    std::string report;
    bool regular = false;
    bool all = true;
    typed text = typed::no;
};

template <std::size_t N> void expect_reports(const check_case (&cases)[N]) {
    for (const auto& c : cases) {
        const checked result = check(c.start, c.image, c.listing, c.regular, false, c.all, c.text);
        EXPECT_EQ(result.status, c.status) << c.what;
        EXPECT_EQ(result.report, c.report) << c.what;
    }
}

const std::string two_pages = counting(512); // pages 0 and 1 both hold 00 to FF
const std::vector<std::string> two = listing_lines(0, two_pages);
const std::string four_pages = counting(1024);
const std::vector<std::string> four = listing_lines(0, four_pages);
const std::string all_match_2 = "all 2 pages match\n";

TEST(Check, ReadsListingsAsPeopleTypeThem) {
    const check_case cases[] = {
        {"its own listing", 0, two_pages, lines_of(two), check_status::all_match, all_match_2},
        {"CR LF, lower case, no spaces, comments, no final newline", 0, two_pages,
         "# ROM at 0000\r\n\r\n" + lower(two[0]) + " ; bank 0\r\n  # page 0100\n" +
             without_spaces(two[1]),
         check_status::all_match, all_match_2},
        {"labels", 0, two_pages, "0000: " + two[0] + "\n$0100:" + two[1] + "\n",
         check_status::all_match, all_match_2},
        {"a UTF-8 byte order mark before a comment", 0, two_pages,
         "\xEF\xBB\xBF# ROM\n" + lines_of(two), check_status::all_match, all_match_2},
        {"columns count from after a UTF-8 byte order mark", 0, two_pages,
         "\xEF\xBB\xBF"
         "08 : 0g\n" +
             lines_of(two),
         check_status::differ,
         "L:1: not a checksum line: character 'g' at column 7\n1 of 3 pages differ\n"},
        {"UTF-16 little-endian with CR LF", 0, two_pages, utf16(lines_of(two, "\r\n"), false),
         check_status::all_match, all_match_2},
        {"UTF-16 big-endian with CR alone", 0, two_pages, utf16(lines_of(two, "\r"), true),
         check_status::all_match, all_match_2},
        {"UTF-16 with an odd last byte", 0, two_pages,
         utf16(two[0] + "\n" + two[1], false) + "\x20", check_status::differ,
         "L:2: not a checksum line: UTF-16 text ends inside a character\n1 of 2 pages differ\n"},
        {"UTF-16 with a lone surrogate", 0, two_pages,
         utf16(two[0] + "\n", false) + std::string("\x00\xD8", 2) + utf16(two[1], false).substr(2),
         check_status::differ,
         "L:2: not a checksum line: a lone UTF-16 surrogate at column 1\n1 of 2 pages differ\n"},
        {"UTF-16 without a byte order mark", 0, two_pages,
         utf16(two[0] + "\n" + two[1], false).substr(2), check_status::differ,
         "L: looks like UTF-16 without a byte order mark\nL:1: not a checksum line: byte 0x00 at "
         "column 2\nL:2: not a checksum line: byte 0x00 at column 1\n2 of 2 pages differ\n"},
        {"CR alone ends a line", 0, two_pages, "# a\r\r" + two[0] + "\rxx : 80\r",
         check_status::differ,
         "L:4: not a checksum line: character 'x' at column 1\n1 of 2 pages differ\n"},
        {"a line too long", 0, two_pages, std::string(text_line_max + 1, ' ') + "\n" + two[1],
         check_status::differ,
         "L:1: not a checksum line: more than 4096 characters\n1 of 2 pages differ\n"},
        {"an empty listing", 0, two_pages, "", check_status::no_checksum_lines,
         "L: no checksum lines\n"},
        {"comments alone", 0, "", "# nothing\n\n", check_status::no_checksum_lines,
         "L: no checksum lines\n"},
    };
    expect_reports(cases);
}

// The listing line with its checksum `i` one more.
std::string bumped(std::string line, std::size_t i) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02X",
                  static_cast<unsigned>(std::stoul(line.substr(3 * i, 2), nullptr, 16) + 1) & 0xFF);
    return line.replace(3 * i, 2, digits);
}

TEST(Check, StaysInStepWhenTheListingSlips) {
    const std::string random_pages = random_bytes(512);
    const std::vector<std::string> random = listing_lines(0, random_pages);
    const std::vector<std::string> random_at_1000 = listing_lines(0x1000, random_pages);
    // Checksum 1 and the total one more: the line adds up.
    const std::string total = bumped(random[1].substr(random[1].size() - 2), 0);
    const std::string one_differs = bumped(random[1], 1).substr(0, 98) + total;
    const check_case cases[] = {
        {"a line checksum and the total, which adds up: the image differs", 0, random_pages,
         random[0] + "\n" + one_differs + "\n", check_status::differ,
         "I: 0108: line checksum " + random[1].substr(3, 2) + ", listing has " +
             one_differs.substr(3, 2) + "\n1 of 2 pages differ\n"},
        {"every line checksum of a page", 0, random_pages, random[0] + "\n" + random_at_1000[1],
         check_status::differ, "I: 0100: all 32 line checksums differ\n1 of 2 pages differ\n"},
        {"different numbers of checksums", 0, random_pages, random[0].substr(6) + "\n" + random[1],
         check_status::differ,
         "L:1: 0000: 32 line checksums, listing has 30\n1 of 2 pages differ\n"},
        {"a line that is not a checksum line stands for a page", 0, two_pages,
         "C000 " + two[0] + "\n" + two[1], check_status::differ,
         "L:1: not a checksum line: 34 checksums\n1 of 2 pages differ\n"},
        {"a line that is not a checksum line before the page's own", 0, two_pages,
         two[0] + "\nhello\n" + two[1], check_status::differ,
         "L:2: not a checksum line: no page total\n1 of 3 pages differ\n"},
        {"a page line skipped", 0, four_pages, lines_of({four[0], four[1], four[3]}),
         check_status::differ, "L:3: 0200: page not in the listing\n1 of 4 pages differ\n"},
        {"a page line typed twice", 0, four_pages,
         lines_of({four[0], four[1], four[1], four[2], four[3]}), check_status::differ,
         "L:3: page not in the image\n1 of 5 pages differ\n"},
        {"two page lines exchanged", 0, four_pages, lines_of({four[0], four[2], four[1], four[3]}),
         check_status::differ, "L:2: lines 2 and 3 are exchanged\n2 of 4 pages differ\n"},
        {"a labelled listing that skips a page", 0, four_pages,
         lines_of({"0000:" + four[0], "0100:" + four[1], "0300:" + four[3]}), check_status::differ,
         "L:3: 0200: page not in the listing\n1 of 4 pages differ\n"},
        {"a label mistyped", 0, four_pages,
         lines_of({"0000:" + four[0], "0100:" + four[1], "0400:" + four[2], "0300:" + four[3]}),
         check_status::differ, "L:3: 0200: the label reads 0400\n1 of 4 pages differ\n"},
        {"a label that names a page passed", 0, two_pages,
         lines_of({"0000:" + two[0], "0000:" + two[0], "0100:" + two[1]}), check_status::differ,
         "L:2: page not in the image\n1 of 3 pages differ\n"},
        {"a label that names its page decides against the next", 0, random_pages,
         lines_of({"0000:" + random[1], "0100:" + random[1]}), check_status::differ,
         "L:1: 0000: all 32 line checksums differ\nL:1: 0000: page total 8D, listing has CA\n"
         "1 of 2 pages differ\n"},
        {"a page not in the listing", 0, two_pages, two[0] + "\n# end\n", check_status::differ,
         "L:2: 0100: page not in the listing\n1 of 2 pages differ\n"},
        {"a page not in the image", 0, two_pages, lines_of(two) + "\n: 00\n: 00\n",
         check_status::differ,
         "L:4: page not in the image (nor the 1 after it)\n2 of 4 pages differ\n"},
        {"an empty image", 0, "", "# nothing\nxx\n: 00\n", check_status::differ,
         "L:2: not a checksum line: no page total\nL:3: page not in the image\n"
         "2 of 2 pages differ\n"},
        {"an unaligned start and the wrap", 0xFFFFFFFB, counting(8, 1), "06 : 0E\n: 00\n",
         check_status::differ,
         "L:1: FFFFFF00: page total 0F, listing has 0E\n1 of 2 pages differ\n"},
    };
    expect_reports(cases);
}

// The image with `n` bytes left out at `at`, or `bytes` put in there.
std::string without(const std::string& image, std::size_t at, std::size_t n) {
    return image.substr(0, at) + image.substr(at + n);
}

std::string with(const std::string& image, std::size_t at, const std::string& bytes) {
    return image.substr(0, at) + bytes + image.substr(at);
}

TEST(Check, SaysWhichFileToMendAndWhere) {
    const std::string rom = random_bytes(1024);
    const std::vector<std::string> lines = listing_lines(0, rom);
    const std::string listing = lines_of(lines);
    std::string typed_rom = rom;
    typed_rom[0x21B] = '\x4B';
    const std::string typed_listing = lines_of(listing_lines(0, typed_rom));
    std::string typo = typed_rom;
    typo[0x21B] = '\x48'; // a B typed as 8
    std::string typed = counting(256);
    typed[0x1B] = '\x18';
    std::string partial_typo = rom.substr(0, 600);
    partial_typo[0x210] ^= 1;
    std::string flipped = rom;
    flipped[0x113] ^= 4;
    std::string totals;
    for (const auto& line : lines) {
        totals += line.substr(line.size() - 4) + "\n";
    }
    const std::vector<std::string> short_lines = listing_lines(0, rom.substr(0, 600));
    std::vector<std::string> extra = short_lines;
    extra[2].insert(9, "5A ");
    std::string end_extra = listing_lines(0x10EF, rom.substr(0, 17))[0];
    end_extra.insert(9, "42 ");
    std::string eleven_off = lines[1];
    for (std::size_t i = 0; i < 11; ++i) {
        eleven_off = bumped(eleven_off, i);
    }
    const std::string first_ten =
        "L:2: 0100: line checksum CF, listing has D0\nL:2: 0108: line checksum 6A, listing has 6B\n"
        "L:2: 0110: line checksum 9C, listing has 9D\nL:2: 0118: line checksum 67, listing has 68\n"
        "L:2: 0120: line checksum FD, listing has FE\nL:2: 0128: line checksum A2, listing has A3\n"
        "L:2: 0130: line checksum BE, listing has BF\nL:2: 0138: line checksum DB, listing has DC\n"
        "L:2: 0140: line checksum A3, listing has A4\nL:2: 0148: line checksum E1, listing has "
        "E2\n";
    const std::string eleven = lines[0] + "\n" + eleven_off + "\n" + lines[2] + "\n" + lines[3];
    std::string repeating = rom; // bytes that repeat every three from 0100 to 0180
    for (std::size_t i = 0x100; i < 0x180; ++i) {
        repeating[i] = "\x12\x34\x56"[i % 3];
    }
    const check_case cases[] = {
        {"a line of the image", 0, flipped, listing, check_status::differ,
         "I: 0110: line checksum A0, listing has 9C\n1 of 4 pages differ\n"},
        {"the total of a page of one line, the next page one line off", 0x8002FF,
         std::string("\0\0\0\x3A\x20\x0A\xD8\x2F\x70", 9), "FA : F7\nDE : DB\n",
         check_status::differ, "L:1: 800200: page total 00, listing has F7\n1 of 2 pages differ\n"},
        {"a checksum of the listing", 0, rom,
         lines_of({lines[0], bumped(lines[1], 4)}) + lines[2] + "\n" + lines[3],
         check_status::differ,
         "L:2: 0120: line checksum FD, listing has FE\n1 of 4 pages differ\n"},
        {"1 byte missing at a page's start", 0, without(rom, 0x100, 1), listing,
         check_status::differ, "I: 0100: 1 byte missing\n1 of 4 pages differ\n"},
        {"3 bytes too many in the middle of a page", 0, with(rom, 0x183, "abc"), listing,
         check_status::differ, "I: 0180: 3 bytes too many\n1 of 4 pages differ\n"},
        {"16 bytes missing at a page's end", 0, without(rom, 0x2F0, 16), listing,
         check_status::differ, "I: 02F0: 16 bytes missing\n2 of 4 pages differ\n"},
        {"16 bytes too many in the image's last lines", 0, with(rom, 0x3E5, rom.substr(0x100, 16)),
         listing, check_status::differ, "I: 03E0: 16 bytes too many\n1 of 4 pages differ\n"},
        {"2 bytes too many where bytes repeat every three, which 1 missing fits for a while", 0,
         with(repeating, 0x120, repeating.substr(0x11E, 2)), lines_of(listing_lines(0, repeating)),
         check_status::differ, "I: 0120: 2 bytes too many\n1 of 4 pages differ\n"},
        {"a line typed twice, and a byte left out", 0,
         without(with(rom, 0x48, rom.substr(0x40, 8)), 0x2A0, 1), listing, check_status::differ,
         "I: 0048: 8 bytes too many\nI: 0298: 1 byte missing\n2 of 4 pages differ\n"},
        {"a hint: a B typed as 8", 0, typo, typed_listing, check_status::differ,
         "I:68: 0218: line checksum 3C, listing has 3F; try 0218: 6B for 68, 021B: 4B for 48\n"
         "1 of 4 pages differ\n",
         false, true, typed::hex},
        {"two hints", 0, typed, lines_of(listing_lines(0, counting(256))), check_status::differ,
         "I:4: 0018: line checksum F1, listing has F4; try 0018: 1B for 18, 001B: 1B for 18\n"
         "1 of 1 pages differ\n",
         false, true, typed::hex},
        {"a table of page totals", 0, rom, totals, check_status::all_match, "all 4 pages match\n"},
        {"a half-typed image", 0, rom.substr(0, 600), listing, check_status::differ,
         "I: 0200: holds 11 of the page's 32 lines\nL:4: page not in the image\n"
         "2 of 4 pages differ\n"},
        {"a typo in a half-typed image", 0, partial_typo, listing, check_status::differ,
         "I: 0210: line checksum 5A, listing has 59\nI: 0200: holds 11 of the page's 32 lines\n"
         "L:4: page not in the image\n2 of 4 pages differ\n"},
        {"a checksum missing", 0, rom,
         lines_of({lines[0].substr(0, 15) + lines[0].substr(18)}) + lines[1] + "\n" + lines[2] +
             "\n" + lines[3],
         check_status::differ,
         "L:1: 0000: the checksum of line 0028 is missing (E1)\n1 of 4 pages differ\n"},
        {"a checksum too many", 0, rom.substr(0, 600), lines_of(extra), check_status::differ,
         "L:3: 0200: 0218 has no line; 5A is one checksum too many\n1 of 3 pages differ\n"},
        {"a checksum too many after the page's last line", 0x10EF, rom.substr(0, 17), end_extra,
         check_status::differ,
         "L:1: 1000: 1100 has no line; 42 is one checksum too many\n1 of 1 pages differ\n"},
        {"ten reports, then how many more", 0, rom, eleven, check_status::differ,
         first_ten + "1 more report not shown (--all shows it)\n1 of 4 pages differ\n", false,
         false},
        {"--all: every report", 0, rom, eleven, check_status::differ,
         first_ten + "L:2: 0150: line checksum 78, listing has 79\n1 of 4 pages differ\n"},
    };
    expect_reports(cases);
}

TEST(Check, NamesTheLikelyCause) {
    const std::string blank(512, '\xFF');
    const std::vector<std::string> chip = listing_lines(0, random_bytes(1024).substr(512));
    const std::string stuck = masked(random_bytes(512), 0x80, 0x01);
    const std::vector<std::string> stuck_lines = listing_lines(0, stuck);
    const std::string half = random_bytes(512);
    const std::vector<std::string> twice = listing_lines(0, half + half);
    const std::string wrong_total = ": 00"; // unlike the total of any page here
    const check_case cases[] = {
        {"a wrong start address", 0x1000, four_pages, lines_of(four), check_status::differ,
         "L: fits start address 0000, not 1000\n"},
        {"a wrong start address off a page boundary", 0x12340000, four_pages,
         lines_of(listing_lines(0x10, four_pages)), check_status::differ,
         "L: fits start address 12340010, not 12340000\n"},
        {"no other start fits where the image has a page that a listing of one line lacks", 0x800,
         random_bytes(136) + random_bytes(136).substr(128),
         lines_of(listing_lines(0x800, random_bytes(136))), check_status::differ,
         "I: 0888: 18 line checksums, listing has 17\n1 of 1 pages differ\n"},
        {"a short image fits many start addresses: the check goes on", 0, std::string(32, '\0'),
         "10 18 20 28 : 00\n", check_status::differ,
         "L:1: 0000: all 4 line checksums differ\n1 of 1 pages differ\n"},
        {"a blank image", 0, blank, lines_of(chip), check_status::differ,
         "I: 0000: all 32 line checksums differ\nI: 0100: all 32 line checksums differ\n"
         "I: every byte is FF\n2 of 2 pages differ\n"},
        {"a blank image shorter than a page", 0, std::string(8, '\xFF'), "F9 : F8\n",
         check_status::differ,
         "L:1: 0000: line checksum F8, listing has F9\n1 of 1 pages differ\n"},
        {"stuck data bits", 0, stuck, stuck_lines[0] + "\n" + wrong_total, check_status::differ,
         "L:2: 0100: page total 3E, listing has 00\nI: data bit 0 is 1 in every byte\n"
         "I: data bit 7 is 0 in every byte\n1 of 2 pages differ\n"},
        {"a chip read with twice its size", 0, half + half, lines_of({twice[0], twice[1]}),
         check_status::differ,
         "L:3: 0200: page not in the listing (nor the 1 after it)\nI: repeats its first 512 bytes\n"
         "2 of 4 pages differ\n",
         true},
        {"only a file read again shows a repeat", 0, half + half, lines_of({twice[0], twice[1]}),
         check_status::differ,
         "L:3: 0200: page not in the listing (nor the 1 after it)\n2 of 4 pages differ\n"},
    };
    expect_reports(cases);
}

// The image's pages, or the lines of each page, moved as a fault of an address line moves them:
// page (or line) i holds the data of page (or line) `from(i)`.
template <typename From> std::string moved(const std::string& image, std::size_t unit, From from) {
    std::string out;
    for (std::size_t i = 0; i < image.size() / unit; ++i) {
        out += image.substr(from(i) * unit, unit);
    }
    return out;
}

template <typename Map> std::string bytes_mapped(std::string image, Map map) {
    for (char& byte : image) {
        byte = static_cast<char>(map(static_cast<unsigned char>(byte)));
    }
    return image;
}

std::size_t exchanged(std::size_t x, unsigned b, unsigned c) {
    return ((x >> b ^ x >> c) & 1) != 0 ? x ^ (std::size_t{1} << b | std::size_t{1} << c) : x;
}

std::string within_pages(const std::string& image, std::size_t (*line)(std::size_t)) {
    std::string out;
    for (std::size_t page = 0; page < image.size(); page += 256) {
        out += moved(image.substr(page, 256), 8, line);
    }
    return out;
}

TEST(Check, ExplainsABadDump) {
    const std::string small = random_bytes(4096);
    const std::string large = random_bytes(8192).substr(4096) + random_bytes(4096);
    const std::string ihex =
        ":20C000005041474554414C4C592053414D504C4520524F4D2042414E4B2030FFFFFFFFFF06\n";
    const std::string srec =
        "S123C0005041474554414C4C592053414D504C4520524F4D2042414E4B2030FFFFFFFFFF02\r\n";
    const struct {
        const char* what;
        std::string rom, dump;
        std::string cause; // the last two lines
    } cases[] = {
        {"Intel HEX read as raw", small, ihex + small,
         "I: looks like Intel HEX text; try --format ihex\n"},
        {"S-records read as raw", small, srec + small,
         "I: looks like S-record text; try --format srec\n"},
        {"typed hex read as raw", small, "$C000- 41 42 # ROM\r" + small,
         "I: looks like hex text; try --format hex\n"},
        {"A8 reads as 0", small,
         moved(small, 256, [](std::size_t p) { return p & ~std::size_t{1}; }),
         "I: address line A8 reads as 0\n"},
        {"A10 reads as 1", large, moved(large, 256, [](std::size_t p) { return p | 4; }),
         "I: address line A10 reads as 1\n"},
        {"halves exchanged: A11 inverted", small, small.substr(2048) + small.substr(0, 2048),
         "I: address line A11 is inverted\n"},
        {"A12 inverted", large, large.substr(4096) + large.substr(0, 4096),
         "I: address line A12 is inverted\n"},
        {"A8 and A11 exchanged", small,
         moved(small, 256, [](std::size_t p) { return exchanged(p, 0, 3); }),
         "I: address lines A8 and A11 are exchanged\n"},
        {"A9 and A12 exchanged", large,
         moved(large, 256, [](std::size_t p) { return exchanged(p, 1, 4); }),
         "I: address lines A9 and A12 are exchanged\n"},
        {"A3 reads as 1", small, within_pages(small, [](std::size_t i) { return i | 1; }),
         "I: address line A3 reads as 1\n"},
        {"A7 inverted", large, within_pages(large, [](std::size_t i) { return i ^ 16; }),
         "I: address line A7 is inverted\n"},
        {"A4 and A6 exchanged", small,
         within_pages(small, [](std::size_t i) { return exchanged(i, 1, 3); }),
         "I: address lines A4 and A6 are exchanged\n"},
        {"D3 and D4 exchanged", small,
         bytes_mapped(small, [](unsigned x) { return exchanged(x, 3, 4); }),
         "I: data lines D3 and D4 are exchanged\n"},
        {"D0 and D7 exchanged", large,
         bytes_mapped(large, [](unsigned x) { return exchanged(x, 0, 7); }),
         "I: data lines D0 and D7 are exchanged\n"},
        {"every data bit inverted", small, bytes_mapped(small, [](unsigned x) { return x ^ 0xFF; }),
         "I: every data bit is inverted\n"},
        {"D6 inverted", large, bytes_mapped(large, [](unsigned x) { return x ^ 0x40; }),
         "I: data bit 6 is inverted in every byte\n"},
        {"a header of 17 bytes", small, random_bytes(17) + small,
         "I: fits without its first 17 bytes (a header)\n"},
        {"a header of 4096 bytes", large, large.substr(0, 4096) + large,
         "I: fits without its first 4096 bytes (a header)\n"},
    };
    for (const auto& c : cases) {
        const checked result =
            check(0xC000, c.dump, lines_of(listing_lines(0xC000, c.rom)), true, false, false);
        const std::vector<std::string> lines = split_lines(result.report);
        ASSERT_GE(lines.size(), 2u) << c.what;
        // A bad dump is no slip: none is reported for it.
        for (const char* slip : {"missing\n", "too many\n"}) {
            EXPECT_EQ(result.report.find(slip), std::string::npos) << c.what << result.report;
        }
        EXPECT_EQ(lines[lines.size() - 2] + "\n", c.cause) << c.what;
        EXPECT_EQ(result.status, check_status::differ) << c.what;
    }
}

// A program typed `width` bytes a line from `load`, each line labelled or only the first.
std::vector<std::string> typed_lines(const std::string& program, std::uint32_t load,
                                     std::size_t width, bool labels) {
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < program.size(); at += width) {
        char label[8];
        std::snprintf(label, sizeof label, "%04X: ", static_cast<unsigned>(load + at));
        std::string line = labels || at == 0 ? label : "";
        for (std::size_t i = at; i < std::min(at + width, program.size()); ++i) {
            line +=
                hex_byte(static_cast<unsigned char>(program[i])) + (i + 1 < at + width ? " " : "");
        }
        lines.push_back(line);
    }
    return lines;
}

// The mistakes a person makes typing a program, or its table, each one report that names the
// file and line to mend (the count of pages that differ follows).
TEST(Check, NamesTheMistakeOfATypedProgram) {
    const std::uint32_t load = 0x0801;
    const std::string program = random_bytes(1200);
    const std::vector<std::string> table = listing_lines(load, program);
    const std::vector<std::string> eights = typed_lines(program, load, 8, false);
    const std::vector<std::string> labelled = typed_lines(program, load, 8, true);
    std::vector<std::string> exchanged = eights;
    std::swap(exchanged[20], exchanged[21]);
    std::vector<std::string> left_out = eights;
    left_out.erase(left_out.begin() + 40, left_out.begin() + 43);
    std::vector<std::string> hole = labelled;
    hole.erase(hole.begin() + 50);
    std::vector<std::string> page_hole = labelled; // 0941 to 0B00: page 0A00 holds no byte
    page_hole.erase(page_hole.begin() + 40, page_hole.begin() + 96);
    std::vector<std::string> end_doubled = eights; // in the last page, past the last slip test
    end_doubled.insert(end_doubled.begin() + 147, eights[146]);
    std::vector<std::string> page_doubled = eights; // 0B21 to 0C20 typed twice
    page_doubled.insert(page_doubled.begin() + 132, eights.begin() + 100, eights.begin() + 132);
    std::vector<std::string> end_left_out = eights;
    end_left_out.erase(end_left_out.begin() + 147);
    std::vector<std::string> moved = labelled;
    moved[60].replace(0, 1, "8"); // 09E1 typed 89E1
    std::vector<std::string> bad_digit = eights;
    bad_digit[10][bad_digit[10].find_first_of("5")] = 'S';
    std::vector<std::string> bad_character = eights;
    bad_character[12][3] = 'X';
    std::vector<std::string> lone_alike = eights; // a byte typed as one character
    lone_alike[14].replace(3, 2, "S");
    std::vector<std::string> byte_too_many = labelled; // a byte of no digits, past the next label
    byte_too_many[30] += " xx";
    std::vector<std::string> lone_character = eights;
    lone_character[16].replace(3, 2, "q");
    std::string typo_in = program; // a slip, and a typo among the lines after it
    typo_in.erase(300, 8);
    typo_in[330] = static_cast<char>(typo_in[330] ^ 0x10);
    std::vector<std::string> rows = table;
    std::string& row = rows[2];
    std::swap(row[9], row[12]);
    std::swap(row[10], row[13]); // the checksums of 0A18 and 0A20 the other way round
    std::vector<std::string> too_many = table;
    too_many[1].insert(9, "5A ");
    std::vector<std::string> missing_next_to_typo = table;
    missing_next_to_typo.erase(missing_next_to_typo.begin() + 1);
    std::string typo_next = program;
    typo_next[0x0A10 - load] = static_cast<char>(typo_next[0x0A10 - load] ^ 0x01);
    const struct {
        const char* what;
        std::string image, listing, start;
        std::vector<std::string> reports;
    } cases[] = {
        {"three typed lines left out",
         lines_of(left_out),
         lines_of(table),
         "0801",
         {"IMAGE:40: 0940: 24 bytes missing"}},
        {"a typed line doubled near the end",
         lines_of(end_doubled),
         lines_of(table),
         "0801",
         {"IMAGE:147: 0C98: 23 line checksums, listing has 22"}},
        {"a page typed twice near the end",
         lines_of(page_doubled),
         lines_of(table),
         "0801",
         {"IMAGE:132: 0C20: 256 bytes too many"}},
        {"a typed line left out near the end",
         lines_of(end_left_out),
         lines_of(table),
         "0801",
         {"IMAGE:147: 0C98: 21 line checksums, listing has 22"}},
        {"two typed lines exchanged",
         lines_of(exchanged),
         lines_of(table),
         "0801",
         {"IMAGE:21: 08A1: lines 21 and 22 are exchanged"}},
        {"a typed line left out of a labelled file",
         lines_of(hole),
         lines_of(table),
         "",
         {"IMAGE:51: 0991: 8 bytes left out"}},
        {"typed lines left out of a labelled file past a whole page",
         lines_of(page_hole),
         lines_of(table),
         "",
         {"IMAGE:41: 0941: 448 bytes left out"}},
        {"a label out of order",
         lines_of(moved),
         lines_of(table),
         "",
         {"IMAGE:61: the label 89E1 is out of order with the lines around it; try 09E1"}},
        {"a look-alike of a digit",
         lines_of(bad_digit),
         lines_of(table),
         "0801",
         {"IMAGE:11: '" + std::string(1, 'S') + "' at column " +
          std::to_string(eights[10].find_first_of("5") + 1) +
          " is no hexadecimal digit; read as 5"}},
        {"a character that is no digit",
         lines_of(bad_character),
         lines_of(table),
         "0801",
         {"IMAGE:13: 'X' at column 4 is no hexadecimal digit"}},
        {"a byte typed as a look-alike alone",
         lines_of(lone_alike),
         lines_of(table),
         "0801",
         {"IMAGE:15: 'S' at column 4 is no hexadecimal digit"}},
        {"a byte typed as a character alone",
         lines_of(lone_character),
         lines_of(table),
         "0801",
         {"IMAGE:17: 'q' at column 4 is no hexadecimal digit"}},
        {"a byte of no digits too many in a labelled file",
         lines_of(byte_too_many),
         lines_of(table),
         "",
         {"IMAGE:31: 'x' at column " + std::to_string(labelled[30].size() + 2) +
          " is no hexadecimal digit"}},
        {"a slip and a typo among the lines that confirm it",
         lines_of(typed_lines(typo_in, load, 8, false)),
         lines_of(table),
         "0801",
         {"IMAGE:37: 0928: 8 bytes missing", "IMAGE:41: 0950: line checksum "}},
        {"two checksums of a row exchanged",
         lines_of(eights),
         lines_of(rows),
         "0801",
         {"LISTING:3: 0A00: the checksums of lines 0A18 and 0A20 are exchanged"}},
        {"a row of one checksum too many",
         lines_of(eights),
         lines_of(too_many),
         "0801",
         {"LISTING:2: 0900: 0918 has no line; 5A is one checksum too many"}},
        {"a row left out, and a typo in the next page",
         lines_of(typed_lines(typo_next, load, 8, false)),
         lines_of(missing_next_to_typo),
         "0801",
         {"LISTING:2: 0900: page not in the listing", "IMAGE:67: 0A10: line checksum "}},
    };
    for (const auto& c : cases) {
        const check_run run = run_check(c.listing, c.image, c.start);
        ASSERT_EQ(run.lines.size(), c.reports.size() + 1) << c.what;
        for (std::size_t i = 0; i < c.reports.size(); ++i) {
            EXPECT_EQ(run.lines[i].substr(0, c.reports[i].size()), c.reports[i]) << c.what;
        }
        EXPECT_EQ(run.status, 1) << c.what;
    }
}

TEST(Check, AFailedListingEndsTheCheckAfterTheReportsSoFar) {
    const checked result = check(0, counting(768), "# two\n: 00\n" + two[1] + "\n", false, true);
    EXPECT_EQ(result.status, check_status::listing_failed);
    EXPECT_EQ(result.report, "L:2: 0000: page total 80, listing has 00\n");
}

} // namespace
