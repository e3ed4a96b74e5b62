#include "fuzz/model.h"
#include "image/image_formats.h"
#include "memory_input.h"
#include "typing/typed_again.h"
#include "typing/typing_run.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

// The program typed: 512 bytes counting from 00, at `start`.
std::string program_listing(std::uint32_t start) {
    const std::string bytes = counting(512);
    return model_listing(start, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

// A typed line of the program at `start`: `n` bytes from `at` on, with its label unless `bare`,
// and with the byte at `wrong` (when not 0) typed as `as`.
std::string line(std::uint32_t start, std::uint32_t at, unsigned n, bool bare = false,
                 std::uint32_t wrong = 0, const char* as = "") {
    char text[16];
    std::snprintf(text, sizeof text, "%04X:", static_cast<unsigned>(at));
    std::string typed = bare ? "" : text;
    for (std::uint32_t a = at; a < at + n; ++a) {
        typed += (typed.empty() ? "" : " ") + (a == wrong ? as : hex_byte(a - start));
    }
    return typed + "\n";
}

std::string lines(std::uint32_t start, std::uint32_t from, std::uint32_t to, unsigned n = 8) {
    std::string typed;
    for (std::uint32_t at = from; at < to; at += n) {
        typed += line(start, at, n, at != from);
    }
    return typed;
}

bool add(void* state, const char* text, std::size_t n) {
    static_cast<std::string*>(state)->append(text, n);
    return true;
}

bool cut(void* state, std::uint64_t size) {
    static_cast<std::string*>(state)->resize(size);
    return true;
}

struct typed_in {
    std::string said, text;
    typing_status status;
};

// Types `input` against the listing L, on the typed text T that holds `before`, as the tool
// does: an existing text read again, a new one begun at `start`.
typed_in type(const std::string& listing, std::uint32_t start, const std::string& before,
              const std::string& input) {
    listing_table table{};
    text_input listed{listing, 37, false, 0};
    text_reader reader = start_reading(text_source{read_piece, &listed});
    EXPECT_EQ(read_table(reader, table), table_status::read);
    typing_session s{};
    EXPECT_TRUE(start_typing(s, table, "\n"));
    image held{};
    text_input again{before, 37, false, 0};
    EXPECT_EQ(read_image_file(image_format::hex, text_source{read_piece, &again}, start, held,
                              image_reading::to_check)
                  .fault,
              image_fault::none);
    place_typing(s, table, before.empty() ? start : image_start(held), true);
    retype_image(s, held, before.data(), before.size());
    typed_in result{"", before, {}};
    std::FILE* out = std::tmpfile();
    text_input typed{input, 5, false, 0};
    const typing_request request{text_source{read_piece, &typed}, nullptr,
                                 check_output{out, write_plain, "L", "T"},
                                 typed_text{add, cut, &result.text}};
    result.status = run_typing(s, table, request);
    result.said = contents(out);
    std::fclose(out);
    end_typing(s);
    return result;
}

// The listing of the program at C000 with the checksum of line C008 mistyped, 09 for 24.
std::string mistyped_listing() {
    std::string listing = program_listing(0xC000);
    listing.replace(3, 2, "09");
    return listing;
}

// The listing, labelled, with the line of page C000 twice.
std::string twice_listed(const std::string& listing) {
    const std::string first = listing.substr(0, listing.find('\n') + 1);
    return "C000: " + first + "C000: " + first + "C100: " + listing.substr(first.size());
}

TEST(Typing, ChecksEachLineAsItIsTyped) {
    const std::uint32_t c0 = 0xC000;
    const std::uint32_t c1 = 0xC001;
    const std::string listing = program_listing(c0);
    const std::string two_lines = lines(c0, c0, 0xC010);
    const std::string first_page = lines(c0, c0, 0xC100);
    const struct {
        const char* name;
        std::string listing;
        std::uint32_t start;
        std::string before, input, said, text;
        typing_status status;
    } cases[] = {
        {"accepted", listing, c0, "", two_lines, "typed to C00F: 0 of 2 pages match, 2 to go\n",
         two_lines, typing_status::pages_to_go},
        {"refused with the hint, then typed again", listing, c0, "",
         line(c0, c0, 8) + line(c0, 0xC008, 8, true, 0xC00D, "00") + line(c0, 0xC008, 8, true),
         "C008: line checksum 17, listing has 24; try C00D: 0D for 00\n"
         "typed to C00F: 0 of 2 pages match, 2 to go\n",
         two_lines, typing_status::pages_to_go},
        {"refused off the grid, naming the line before", program_listing(c1), c1, "",
         line(c1, c1, 8, false, 0xC008, "01") + line(c1, 0xC009, 8, true) + "-\n" +
             line(c1, c1, 8) + line(c1, 0xC009, 8, true),
         "C008: line checksum 16, listing has 1C; try C008: 07 for 01 (on the line before: type "
         "- to take it back)\n"
         "taken back: C001 to C008\n"
         "typed to C010: 0 of 3 pages match, 3 to go\n",
         line(c1, c1, 8) + line(c1, 0xC009, 8, true), typing_status::pages_to_go},
        {"taken back, to the first line and no further", listing, c0, "", two_lines + "-\n -\n-\n",
         "taken back: C008 to C00F\ntaken back: C000 to C007\nnothing to take back\n"
         "nothing typed: 0 of 2 pages match, 2 to go\n",
         "", typing_status::pages_to_go},
        {"where typing stands", listing, c0, "", line(c0, c0, 8) + "?\n",
         "at C008: 0 of 2 pages typed, 2 to go\ntyped to C007: 0 of 2 pages match, 2 to go\n",
         line(c0, c0, 8), typing_status::pages_to_go},
        {"a listing line that does not add up", mistyped_listing(), c0, "",
         line(c0, c0, 8) + line(c0, 0xC008, 8, true) + "+\n+\n",
         "L:1: this line does not add up: a checksum or its total is mistyped\n"
         "C008: line checksum 24, listing has 09 (or the listing's checksum is mistyped: L:1)\n"
         "nothing to accept: + takes a line refused where the listing's line does not add up\n"
         "typed to C00F: 0 of 2 pages match, 2 to go\n",
         two_lines, typing_status::pages_to_go},
        {"a jump, after which + has no line to accept", mistyped_listing(), c0, "",
         line(c0, c0, 8) + line(c0, 0xC008, 8, true) + "C100:\n+\n",
         "L:1: this line does not add up: a checksum or its total is mistyped\n"
         "C008: line checksum 24, listing has 09 (or the listing's checksum is mistyped: L:1)\n"
         "T:1: C000: holds 1 of the page's 32 lines\n"
         "nothing to accept: + takes a line refused where the listing's line does not add up\n"
         "typed to C007: 0 of 2 pages match, 2 to go\n",
         line(c0, c0, 8), typing_status::pages_to_go},
        {"a label that jumps, and one outside the listing", listing, c0, "",
         line(c0, c0, 8) + line(c0, 0xC100, 8) + line(c0, 0xD000, 1),
         "T:1: C000: holds 1 of the page's 32 lines\nD000: page not in the listing\n"
         "typed to C107: 0 of 2 pages match, 2 to go\n",
         line(c0, c0, 8) + line(c0, 0xC100, 8), typing_status::pages_to_go},
        {"a hole filled, and typing goes on past the bytes after it", listing, c0, "",
         line(c0, c0, 8) + line(c0, 0xC010, 8) + line(c0, 0xC008, 8) + line(c0, 0xC018, 8, true),
         "typed to C01F: 0 of 2 pages match, 2 to go\n",
         line(c0, c0, 8) + line(c0, 0xC010, 8) + line(c0, 0xC008, 8) +
             "C018: " + line(c0, 0xC018, 8, true),
         typing_status::pages_to_go},
        {"no typed line, and a byte typed already", listing, c0, "",
         line(c0, c0, 8) + "C008: 0G\n" + line(c0, 0xC004, 4),
         "C008: character 'G' at column 8\nC004: already typed\n"
         "typed to C007: 0 of 2 pages match, 2 to go\n",
         line(c0, c0, 8), typing_status::pages_to_go},
        {"resumed from the typed text", listing, c0, first_page,
         lines(c0, 0xC100, 0xC200, 16) + ".\n" + line(c0, 0xC200, 1),
         "all 2 pages typed and match\n", first_page + lines(c0, 0xC100, 0xC200, 16),
         typing_status::all_match},
        {"resumed from a text with a byte outside the listing", listing, c0,
         lines(c0, c0, 0xC200, 16) + "D000: 01\n", "",
         "typed to C1FF: 2 of 2 pages match, 1 byte outside them\n",
         lines(c0, c0, 0xC200, 16) + "D000: 01\n", typing_status::pages_to_go},
        {"a page listed twice", twice_listed(listing), c0, "", first_page,
         "L:2: C000: the page of line 1 too\n"
         "typed to C0FF: 1 of 3 pages match, 1 differs, 1 to go\n",
         first_page, typing_status::pages_to_go},
        {"a line that more of the text follows is not taken back", listing, c0,
         line(c0, c0, 8) + "# to be typed on\n", "-\n",
         "cannot take back T:1: more of the text follows it; mend it there\n"
         "typed to C007: 0 of 2 pages match, 2 to go\n",
         line(c0, c0, 8) + "# to be typed on\n", typing_status::pages_to_go},
        {"a text whose lines end in CR alone", listing, c0, "C000: 00 01\r",
         line(c0, 0xC002, 6, true), "typed to C007: 0 of 2 pages match, 2 to go\n",
         "C000: 00 01\r" + line(c0, 0xC002, 6, true).substr(0, 17) + "\r",
         typing_status::pages_to_go},
        {"a first line without a label", listing, c0, "", line(c0, c0, 3, true),
         "typed to C002: 0 of 2 pages match, 2 to go\n", "C000: " + line(c0, c0, 3, true),
         typing_status::pages_to_go},
        {"a text without its last line end", listing, c0, "C000: 00 01", line(c0, 0xC002, 6, true),
         "typed to C007: 0 of 2 pages match, 2 to go\n",
         "C000: 00 01\n" + line(c0, 0xC002, 6, true), typing_status::pages_to_go},
    };
    for (const auto& c : cases) {
        const typed_in typed = type(c.listing, c.start, c.before, c.input);
        EXPECT_EQ(typed.said, c.said) << c.name;
        EXPECT_EQ(typed.text, c.text) << c.name;
        EXPECT_EQ(typed.status, c.status) << c.name;
    }
}

} // namespace
