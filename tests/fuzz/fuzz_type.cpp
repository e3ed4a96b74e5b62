// Typing a program in against its listing, with mistakes. Input: a byte of choices (bits 0-1 the
// kind of start address, 2 lower case, 3 CR LF, 4 end with "." and a line after it, 5-6 the kind
// of program, 7 a first line without a label); four bytes that give the start address (the first
// two, or their high byte and an offset 0-7, or all four, or just below 10000 or 100000000); two
// of size (up to 400 bytes, or 1500 with the top bit set); two that seed the program's bytes;
// then for each typed line a byte of its length less one and one of flags (a label, a "?" after
// it, a mistake), and for a mistake two more: its byte, and its digit and what it is typed as.
// Past the input's end a generator seeded from it goes on choosing.
//
// The typist retypes each refused line correctly; when that is refused too, the mistake lies in
// an accepted line before it: they take back the lines down to that one and type them again. One
// mistake is outstanding at most, and only in a byte whose line has a checksum. Each refusal must
// name the mistake's line with its checksums, the typed text must end as the program's text,
// the run must end with every page typed and matching, and a check of the text must match.
#include "check_run.h"
#include "memory_input.h"
#include "model.h"
#include "typing/typing_run.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct chooser {
    const std::uint8_t* data;
    std::size_t size, at;
    std::uint64_t state;
    unsigned byte() {
        if (at < size) {
            return data[at++];
        }
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<unsigned>(state >> 56);
    }
    unsigned two() {
        const unsigned low = byte();
        return low | byte() << 8;
    }
};

struct typed_line {
    std::uint64_t at;
    std::size_t n;
    bool label, ask;
    int wrong; // the byte typed wrong, or -1
    unsigned digit, change;
};

struct said_line { // what the run must say for one input line
    enum { refused, taken_back, where } kind;
    std::uint64_t a, b, c;
};

std::string address_label(std::uint64_t at) {
    char text[16];
    std::snprintf(text, sizeof text, at > 0xFFFF ? "%08X: " : "%04X: ", static_cast<unsigned>(at));
    return text;
}

bool add(void* state, const char* text, std::size_t n) {
    static_cast<std::string*>(state)->append(text, n);
    return true;
}

bool cut(void* state, std::uint64_t size) {
    static_cast<std::string*>(state)->resize(size);
    return true;
}

void expect(bool holds, const char* what, const std::string& listing, const std::string& input,
            const std::string& said, const std::string& text) {
    if (!holds) {
        std::fprintf(stderr, "%s\nlisting:\n%s\ninput:\n%s\nsaid:\n%s\ntyped text:\n%s\n", what,
                     listing.c_str(), input.c_str(), said.c_str(), text.c_str());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint64_t seed = 14695981039346656037u;
    for (std::size_t i = 0; i < size; ++i) {
        seed = (seed ^ data[i]) * 1099511628211u;
    }
    chooser c{data, size, 0, seed};
    const unsigned how = c.byte();
    const std::uint64_t first = c.two(), second = c.two();
    std::uint64_t start = (how & 3) == 0   ? first
                          : (how & 3) == 1 ? (first & 0xFF00) | (first & 7)
                          : (how & 3) == 2
                              ? first | second << 16
                              : ((first & 1) != 0 ? 0x10000 : 0x100000000) - (first >> 8);
    const unsigned asked = c.two(); // mostly short: 1500 bytes take some 15 ms a run
    const std::size_t n = 1 + asked % ((asked & 0x8000) != 0 ? 1500 : 400);
    start = start + n > 0x100000000 ? 0x100000000 - n : start;
    const std::uint64_t end = start + n;
    std::vector<std::uint8_t> program(n);
    chooser bytes{nullptr, 0, 0, c.two()};
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned kind = how >> 5 & 3;
        program[i] = static_cast<std::uint8_t>(kind < 2 ? bytes.byte() : kind == 2 ? 0xA5 : i);
    }
    const std::string listing = model_listing(static_cast<std::uint32_t>(start), program.data(), n);

    std::vector<typed_line> lines;
    for (std::uint64_t at = start; at < end;) {
        typed_line l{at, std::min<std::size_t>(1 + c.byte() % 16, end - at), false, false, -1, 0,
                     0};
        const unsigned flags = c.byte();
        l.label = lines.empty() ? (how & 0x80) == 0 : (flags & 1) != 0;
        l.ask = (flags >> 1 & 7) == 0;
        if ((flags >> 4 & 3) == 0) {
            l.wrong = static_cast<int>(c.byte() % l.n);
            const unsigned d = c.byte();
            l.digit = d & 1;
            l.change = 1 + (d >> 1) % 15;
        }
        lines.push_back(l);
        at += l.n;
    }
    // A line's text, with `wrong` typed in place of its byte at `x` when it holds it.
    const auto text_of = [&](const typed_line& l, std::uint64_t x = ~std::uint64_t{0},
                             unsigned wrong = 0) {
        std::string text = l.label ? address_label(l.at) : "";
        for (std::uint64_t a = l.at; a < l.at + l.n; ++a) {
            text += (a == l.at ? "" : " ") + hex_byte(a == x ? wrong : program[a - start]);
        }
        if ((how & 4) != 0) {
            for (char& ch : text) {
                ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            }
        }
        return text;
    };
    const auto sum_of_line = [&](std::uint64_t line) {
        std::uint64_t sum = (line >> 8) + line;
        for (std::uint64_t a = line; a < line + 8; ++a) {
            sum += a < start ? 0 : program[a - start];
        }
        return sum & 0xFF;
    };

    std::string input, want_text;
    const std::string line_end = (how & 8) != 0 ? "\r\n" : "\n";
    std::vector<said_line> want;
    const auto type = [&](const std::string& text) { input += text + line_end; };
    int outstanding = -1; // the line that holds the mistake
    std::uint64_t x = 0;  // its byte
    unsigned wrong = 0;   // as typed
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const typed_line& l = lines[i];
        if (outstanding < 0 && l.wrong >= 0 && ((l.at + l.wrong) | 7) + 1 <= end) {
            outstanding = static_cast<int>(i);
            x = l.at + static_cast<std::uint64_t>(l.wrong);
            const unsigned shift = l.digit != 0 ? 0 : 4;
            const unsigned was = program[x - start];
            wrong = (was & ~(0xFu << shift)) | ((((was >> shift) + l.change) & 0xF) << shift);
        }
        type(outstanding == static_cast<int>(i) ? text_of(l, x, wrong) : text_of(l));
        if (outstanding >= 0 && l.at + l.n >= (x | 7) + 1) {
            const std::uint64_t line = x & ~std::uint64_t{7};
            const std::uint64_t listed = sum_of_line(line);
            const said_line refusal{said_line::refused, line,
                                    (listed + wrong - program[x - start]) & 0xFF, listed};
            want.push_back(refusal);
            type(text_of(l));
            if (outstanding != static_cast<int>(i)) {
                want.push_back(refusal);
                for (std::size_t k = i; k-- > static_cast<std::size_t>(outstanding);) {
                    type("-");
                    want.push_back(
                        {said_line::taken_back, lines[k].at, lines[k].at + lines[k].n - 1, 0});
                }
                for (std::size_t k = static_cast<std::size_t>(outstanding); k <= i; ++k) {
                    type(text_of(lines[k]));
                }
            }
            outstanding = -1;
        }
        if (l.ask) {
            type("?");
            want.push_back({said_line::where, (l.at + l.n) & 0xFFFFFFFF, 0, 0});
        }
        want_text += (i == 0 && !l.label ? address_label(l.at) : "") + text_of(l) + "\n";
    }
    if ((how & 0x10) != 0) {
        type(".");
        type(text_of(lines[0])); // not read: typed already, it would be refused
    }

    listing_table table{};
    text_input listed{listing, 1 + c.byte() % 64, false, 0};
    text_reader reader = start_reading(text_source{read_piece, &listed});
    std::string text;
    expect(read_table(reader, table) == table_status::read, "the listing was not read", listing,
           input, "", text);
    typing_session s{};
    expect(start_typing(s, table, "\n") &&
               place_typing(s, table, static_cast<std::uint32_t>(start), true),
           "no session", listing, input, "", text);
    gathering gathered;
    std::FILE* out = start_gathering(gathered);
    text_input typed{input, 1 + c.byte() % 64, false, 0};
    const typing_status status = run_typing(s, table,
                                            typing_request{text_source{read_piece, &typed}, nullptr,
                                                           check_output{out, write_plain, "L", "T"},
                                                           typed_text{add, cut, &text}});
    end_typing(s);
    const std::string said = end_gathering(gathered);
    const auto holds = [&](bool holds, const char* what) {
        expect(holds, what, listing, input, said, text);
    };

    const std::vector<std::string> said_lines = split_lines(said);
    holds(said_lines.size() == want.size() + 1, "not one line said for each refusal and command");
    for (std::size_t i = 0; i < want.size(); ++i) {
        const char* line = said_lines[i].c_str();
        unsigned a = 0, b = 0, v = 0;
        int used = 0;
        const said_line& w = want[i];
        if (w.kind == said_line::refused) {
            holds(std::sscanf(line, "%x: line checksum %x, listing has %x%n", &a, &b, &v, &used) ==
                          3 &&
                      (line[used] == '\0' || line[used] == ';' || line[used] == ' ') && a == w.a &&
                      b == w.b && v == w.c,
                  "a refusal did not name the mistake's line and its checksums");
        } else if (w.kind == said_line::taken_back) {
            holds(std::sscanf(line, "taken back: %x to %x%n", &a, &b, &used) == 2 &&
                      line[used] == '\0' && a == w.a && b == w.b,
                  "a line taken back was not named");
        } else {
            holds(std::sscanf(line, "at %x: ", &a) == 1 && a == w.a,
                  "\"?\" did not say where typing stands");
        }
    }
    const std::size_t pages = split_lines(listing).size();
    holds(said_lines.back() == "all " + std::to_string(pages) + " pages typed and match",
          "the last line is not that every page matches");
    holds(status == typing_status::all_match, "the run did not end with every page matching");
    holds(text == want_text, "the typed text is not the program's text");
    const check_run checked = run_check(listing, text, "");
    holds(checked.status == 0 && checked.lines.size() == 1 &&
              checked.lines[0] == "all " + std::to_string(pages) + " pages match",
          "a check of the typed text does not match");
    return 0;
}
