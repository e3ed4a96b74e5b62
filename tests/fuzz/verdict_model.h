#ifndef PAGETALLY_TESTS_FUZZ_VERDICT_MODEL_H
#define PAGETALLY_TESTS_FUZZ_VERDICT_MODEL_H

// A program typed in as a magazine reader types it, its published checksum table, and one
// mistake in either, placed where the fuzzer's bytes say. The case knows which file and line
// the mistake is in, and so the report lines a check of the two must give: the file to mend,
// its line, and a key word of what to mend there.
//
// The program is random bytes or 6502-like code (opcodes, small operands, runs of zeros and of
// text), loaded at an address on or off the 8-byte grid. It is typed 8 or 16 bytes a line from
// its load address, with a label on every line, on the first line only, or on none (the start
// address given then). Its table is its listing, one line per page, with or without labels.
// Either file may begin with a comment line. The check reads the image as `--format hex`.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct verdict_report {
    bool listing;            // the report names LISTING (else IMAGE)
    unsigned long long line; // N or M after the name; 0 for none
    std::string key;         // a key word or phrase the line must contain
};

struct verdict_case {
    std::string image;                   // the typed image text, read as --format hex
    std::string listing;                 // the published table
    std::string start;                   // the start-address argument, "" when none is given
    std::string what;                    // the mistake and where, for a failure message
    std::vector<verdict_report> reports; // exactly these report lines, in this order
};

namespace verdict_detail {

// The fuzzer's bytes in order, then a generator seeded from all of them.
struct feed {
    const std::uint8_t* data;
    std::size_t size, at;
    std::uint64_t state;
};

inline unsigned next_byte(feed& f) {
    if (f.at < f.size) {
        return f.data[f.at++];
    }
    std::uint64_t z = f.state += 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<unsigned>((z ^ (z >> 31)) & 0xFF);
}

// A value below n, for n up to 65536.
inline unsigned below(feed& f, std::size_t n) {
    const unsigned value = next_byte(f) << 8 | next_byte(f);
    return static_cast<unsigned>(value % n);
}

inline std::string hex(unsigned value, int digits) {
    char text[12];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

inline unsigned seed_of(std::uint32_t line) {
    return ((line >> 8) + line) & 0xFF;
}

// The digits that the check's hint takes for a typed digit's look-alikes.
inline std::string look_alikes(unsigned digit) {
    static const char* const alike[16] = {"8D",  "7", "", "8",  "",  "6", "5B", "1",
                                          "03B", "",  "", "68", "E", "0", "CF", "E"};
    return alike[digit];
}

inline unsigned digit_value(char c) {
    return static_cast<unsigned>(c <= '9' ? c - '0' : c - 'A' + 10);
}

// The bits alike in every byte: a failed check names them too, as what the image shows.
inline unsigned constant_bits(const std::vector<std::uint8_t>& bytes) {
    unsigned all_and = 0xFF, all_or = 0;
    for (const std::uint8_t byte : bytes) {
        all_and &= byte;
        all_or |= byte;
    }
    return (all_and | ~all_or) & 0xFF;
}

// The mistakes: of the image, then of the table.
enum mistake_kind {
    digit_typo,
    bad_digit,
    image_cut_short,
    lines_left_out,
    lines_doubled,
    lines_exchanged,
    hole,
    label_moved,
    checksum_typo,
    total_typo,
    checksums_exchanged,
    rows_exchanged,
    row_missing,
    row_doubled,
    checksum_left_out,
    checksum_too_many,
    table_cut_short,
    label_typo,
    kind_count
};

// 6502-like code: instructions with small operands, now and then a run of zeros or of text.
inline std::vector<std::uint8_t> code_program(feed& f, std::size_t n, std::uint32_t load) {
    static const std::uint8_t one[] = {0x60, 0xE8, 0xC8, 0xCA, 0x88, 0x18, 0x38,
                                       0xAA, 0xA8, 0x8A, 0x98, 0x48, 0x68, 0xEA};
    static const std::uint8_t two[] = {0xA9, 0xA2, 0xA0, 0xC9, 0x69, 0xE9, 0x29, 0x09, 0x85,
                                       0xA5, 0x86, 0xA6, 0xE6, 0xC6, 0xD0, 0xF0, 0x90, 0xB0};
    static const std::uint8_t three[] = {0x8D, 0xAD, 0x20, 0x4C, 0xEE, 0xBD, 0x9D, 0xB9, 0x99};
    static const std::uint16_t calls[] = {0xFFD2, 0xFFE4, 0xD020, 0xD021, 0x0400, 0xD800};
    std::vector<std::uint8_t> p;
    while (p.size() < n) {
        const unsigned what = below(f, 20);
        if (what == 0) {
            p.insert(p.end(), 4 + below(f, 37), 0);
        } else if (what == 1) {
            for (unsigned i = 4 + below(f, 27); i > 0; --i) {
                p.push_back(static_cast<std::uint8_t>(" ABCDEFGHIJKLMNOPQRSTUVWXYZ"[below(f, 27)]));
            }
        } else if (what < 8) {
            p.push_back(one[below(f, sizeof one)]);
        } else if (what < 15) {
            const unsigned op = two[below(f, sizeof two)];
            p.push_back(static_cast<std::uint8_t>(op));
            // A branch back or forward; a zero-page address; an immediate value.
            p.push_back(static_cast<std::uint8_t>((op & 0x1F) == 0x10 ? (below(f, 80) - 40) & 0xFF
                                                  : op & 4            ? 0xFB + below(f, 4)
                                                                      : below(f, 64)));
        } else {
            p.push_back(three[below(f, sizeof three)]);
            const unsigned to = what < 18 ? load + below(f, n) : calls[below(f, sizeof calls / 2)];
            p.push_back(static_cast<std::uint8_t>(to & 0xFF));
            p.push_back(static_cast<std::uint8_t>(to >> 8 & 0xFF));
        }
    }
    p.resize(n);
    return p;
}

struct typed_line {
    bool labelled;
    std::uint32_t label;
    std::vector<std::uint8_t> bytes;
};

struct table_row {
    std::uint32_t page, first; // the page's address and its first line's
    std::vector<unsigned> sums;
    unsigned total;
};

// The rows of the listing of `bytes` at `load`: whole 8-byte lines, positions before the load
// address counting as zero bytes.
inline std::vector<table_row> table_rows(std::uint32_t load,
                                         const std::vector<std::uint8_t>& bytes) {
    std::vector<table_row> rows;
    const std::uint32_t end = load + static_cast<std::uint32_t>(bytes.size());
    for (std::uint32_t page = load & ~0xFFu; page < end; page += 256) {
        table_row row{page, std::max(page, load & ~7u), {}, 0};
        for (std::uint32_t line = row.first; line < page + 256 && line + 8 <= end; line += 8) {
            unsigned data = 0;
            for (std::uint32_t a = line; a < line + 8; ++a) {
                data += a < load ? 0 : bytes[a - load];
            }
            row.sums.push_back((seed_of(line) + data) & 0xFF);
            row.total += data;
        }
        row.total &= 0xFF;
        rows.push_back(row);
    }
    return rows;
}

inline bool same_rows(const std::vector<table_row>& a, const std::vector<table_row>& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].sums != b[i].sums || a[i].total != b[i].total) {
            return false;
        }
    }
    return true;
}

inline std::string row_text(const table_row& row, bool labelled) {
    std::string text = labelled ? hex(row.page, 4) + ": " : "";
    for (const unsigned sum : row.sums) {
        text += hex(sum, 2) + " ";
    }
    return text + ": " + hex(row.total, 2);
}

// Whether the row's total is the sum of its checksums, each less the seed of its place.
inline bool adds_up(const table_row& row) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < row.sums.size(); ++i) {
        sum += row.sums[i] - seed_of(row.first + 8 * static_cast<std::uint32_t>(i));
    }
    return (sum & 0xFF) == row.total;
}

enum class labels { every_line, first_line, none };

struct draft {
    std::uint32_t load;
    std::vector<std::uint8_t> program;
    unsigned width; // bytes a typed line
    labels style;
    bool table_labelled;
    unsigned image_header, table_header; // comment lines before the first typed line, row
    std::vector<typed_line> typed;
    std::vector<table_row> rows;
    std::vector<int> sums; // the table's checksums of the lines from load & ~7 on
};

inline std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

inline std::vector<std::string> image_lines(const draft& d, const std::vector<typed_line>& typed) {
    std::vector<std::string> lines;
    if (d.image_header) {
        lines.push_back("; TYPED IN FROM THE MAGAZINE");
    }
    for (const typed_line& line : typed) {
        std::string text = line.labelled ? hex(line.label, 4) + ": " : "";
        for (std::size_t j = 0; j < line.bytes.size(); ++j) {
            text += (j ? " " : "") + hex(line.bytes[j], 2);
        }
        lines.push_back(text);
    }
    return lines;
}

inline std::vector<std::string> table_lines(const draft& d, const std::vector<table_row>& rows) {
    std::vector<std::string> lines;
    if (d.table_header) {
        lines.push_back("# CHECKSUMS");
    }
    for (const table_row& row : rows) {
        lines.push_back(row_text(row, d.table_labelled));
    }
    return lines;
}

inline unsigned long long image_line(const draft& d, std::size_t t) {
    return d.image_header + t + 1;
}
inline unsigned long long table_line(const draft& d, std::size_t r) {
    return d.table_header + r + 1;
}

// The image as the check reads typed lines that follow on from the load address (labels in
// place, or none after the first), and the text line of each byte.
struct typed_image {
    std::vector<std::uint8_t> bytes;
    std::vector<unsigned long long> text_line;
};

inline typed_image read_typed(const draft& d, const std::vector<typed_line>& typed) {
    typed_image image;
    for (std::size_t t = 0; t < typed.size(); ++t) {
        image.bytes.insert(image.bytes.end(), typed[t].bytes.begin(), typed[t].bytes.end());
        image.text_line.insert(image.text_line.end(), typed[t].bytes.size(), image_line(d, t));
    }
    return image;
}

// The checksum of the line at `line` made of the image's bytes from line + shift on (positions
// before the load address count as zero bytes), or -1 when the image ends before them.
inline int sum_at(std::uint32_t load, const std::vector<std::uint8_t>& bytes, std::uint32_t line,
                  long long shift) {
    unsigned sum = seed_of(line);
    for (long long i = 0; i < 8; ++i) {
        const long long at = line + i + shift - load;
        if (at >= static_cast<long long>(bytes.size())) {
            return -1;
        }
        sum += at < 0 ? 0 : bytes[static_cast<std::size_t>(at)];
    }
    return static_cast<int>(sum & 0xFF);
}

// The index of the first line of the table that the image does not give, or the table's count.
inline std::size_t first_wrong(const draft& d, const std::vector<std::uint8_t>& bytes) {
    std::size_t k = 0;
    while (k < d.sums.size() && sum_at(d.load, bytes, (d.load & ~7u) + 8 * k, 0) == d.sums[k]) {
        ++k;
    }
    return k;
}

inline std::size_t count_wrong(const draft& d, const std::vector<std::uint8_t>& bytes) {
    std::size_t wrong = 0;
    for (std::size_t k = 0; k < d.sums.size(); ++k) {
        wrong += sum_at(d.load, bytes, (d.load & ~7u) + 8 * k, 0) != d.sums[k];
    }
    return wrong;
}

// What the check reads for a slip of `shift` bytes (too many when positive) at the image's wrong
// line A: the table's lines from B on, up to four (B is A + 24, or for more than 16 bytes
// missing A + 8 + K rounded up to a line), read in the image mended from B on.
struct slip_reading {
    int held, wrong, unreached;
    bool as_is;      // the image as it stands gives them all
    bool ends_right; // the mended image ends where the table's checksums end
};

inline slip_reading read_slip(const draft& d, const std::vector<std::uint8_t>& bytes,
                              std::uint32_t a, long long shift) {
    const long long k = shift < 0 ? -shift : shift;
    const std::uint32_t b =
        k <= 16 || shift > 0 ? a + 24 : static_cast<std::uint32_t>((a + 8 + k + 7) & ~7ll);
    slip_reading r{0, 0, 0, true, false};
    for (std::uint32_t line = b; line < b + 32; line += 8) {
        const std::size_t index = (line - (d.load & ~7u)) / 8;
        if (index >= d.sums.size()) {
            break;
        }
        ++r.held;
        r.as_is = r.as_is && sum_at(d.load, bytes, line, 0) == d.sums[index];
        const int mended = sum_at(d.load, bytes, line, shift);
        r.unreached += mended < 0;
        r.wrong += mended >= 0 && mended != d.sums[index];
    }
    const long long end = d.load + static_cast<long long>(bytes.size()) - shift;
    r.ends_right = (end & ~7ll) == ((d.load + static_cast<long long>(d.program.size())) & ~7ll);
    return r;
}

// The check takes the slip when the lines that both the table and the mended image hold give it,
// and not the image as it stands; fewer than four only where the mended image ends right.
inline bool taken(const slip_reading& r) {
    const int both = r.held - r.unreached;
    return both > 0 && r.wrong == 0 && !r.as_is &&
           (both == 4 || (r.unreached == 0 && r.ends_right));
}

// Whether a slip other than `except` may be taken at line A: of 1 to 16 bytes, or of a multiple
// of 8 up to 256 (more than the check tries, to stay clear of the order it tries them in).
inline bool other_slip(const draft& d, const std::vector<std::uint8_t>& bytes, std::uint32_t a,
                       long long except) {
    for (long long k = 1; k <= 256; k += k < 16 ? 1 : 8) {
        for (const long long shift : {k, -k}) {
            if (shift != except && taken(read_slip(d, bytes, a, shift))) {
                return true;
            }
        }
    }
    return false;
}

// The byte that the check's hint for line A names first: of the single edits of the line's typed
// digits that make it fit (a look-alike digit, or the byte's two digits exchanged), the first by
// address, when there are one to three of them; else A's first byte from the file.
inline std::uint32_t hinted_byte(const draft& d, const std::vector<std::uint8_t>& bytes,
                                 std::uint32_t a) {
    const unsigned need = (d.sums[(a - (d.load & ~7u)) / 8] - sum_at(d.load, bytes, a, 0)) & 0xFF;
    std::uint32_t first = 0;
    int edits = 0;
    for (std::uint32_t at = std::max(a, d.load); at < a + 8; ++at) {
        const unsigned was = bytes[at - d.load];
        std::vector<unsigned> values{(was & 15) << 4 | was >> 4};
        for (const char c : look_alikes(was >> 4)) {
            values.push_back(digit_value(c) << 4 | (was & 15));
        }
        for (const char c : look_alikes(was & 15)) {
            values.push_back((was & 0xF0) | digit_value(c));
        }
        for (const unsigned value : values) {
            if (value != was && ((value - was) & 0xFF) == need && edits++ == 0) {
                first = at;
            }
        }
    }
    return edits >= 1 && edits <= 3 ? first : std::max(a, d.load);
}

inline std::string where(const draft& d, std::uint32_t address) {
    return hex(address, 4) + " (load " + hex(d.load, 4) + ")";
}

// Each mistake below makes the case's files and its reports from the draft, or returns false
// where it cannot be made as placed, or where what the check must say is not clear.

inline bool mistype_digit(feed& f, const draft& d, verdict_case& c) {
    std::vector<typed_line> typed = d.typed;
    const std::size_t t = below(f, typed.size());
    const std::size_t j = below(f, typed[t].bytes.size());
    const unsigned was = typed[t].bytes[j], high = next_byte(f) & 1;
    const unsigned digit = high ? was >> 4 : was & 15;
    // Mostly a look-alike, as readers mistype; else any other digit.
    const std::string alike = look_alikes(digit);
    const unsigned typo = !alike.empty() && (next_byte(f) & 3)
                              ? digit_value(alike[below(f, alike.size())])
                              : (digit + 1 + below(f, 15)) & 15;
    const unsigned now = high ? typo << 4 | (was & 15) : (was & 0xF0) | typo;
    typed[t].bytes[j] = static_cast<std::uint8_t>(now);
    const typed_image image = read_typed(d, typed);
    const std::uint32_t at = d.load + static_cast<std::uint32_t>(t * d.width + j);
    c.image = joined(image_lines(d, typed));
    c.what = "image line " + std::to_string(image_line(d, t)) + ": " + where(d, at) + " typed " +
             hex(now, 2) + " for " + hex(was, 2);
    // In the last line that no checksum covers no sum sees it.
    if (!same_rows(table_rows(d.load, image.bytes), d.rows)) {
        const std::uint32_t hinted = hinted_byte(d, image.bytes, at & ~7u);
        c.reports = {{false, image.text_line[hinted - d.load], "line checksum"}};
    }
    return true;
}

// A letter for a digit: its look-alike (S 5, O 0, I and l 1, G 6, Z 2), which the check reads as
// the digit, or a letter that is none, whose line the check does not compare. One report either
// way.
inline bool mistype_character(feed& f, const draft& d, verdict_case& c) {
    const std::size_t t = below(f, d.typed.size());
    const std::size_t j = below(f, d.typed[t].bytes.size());
    std::vector<std::string> lines = image_lines(d, d.typed);
    std::string& line = lines[d.image_header + t];
    const std::size_t column = (d.typed[t].labelled ? 6 : 0) + 3 * j + (next_byte(f) & 1);
    const std::string pairs = "S5O0I1l1G6Z2", others = "HJKMNPQRTUVWXY";
    std::string alike;
    for (std::size_t i = 0; i < pairs.size(); i += 2) {
        alike += pairs[i + 1] == line[column] ? std::string(1, pairs[i]) : "";
    }
    const char was = line[column];
    line[column] = !alike.empty() && (next_byte(f) & 1) ? alike[below(f, alike.size())]
                                                        : others[below(f, others.size())];
    c.image = joined(lines);
    c.what = "image line " + std::to_string(image_line(d, t)) + ": '" + line[column] +
             "' typed for '" + was + "' at column " + std::to_string(column + 1);
    c.reports = {{false, image_line(d, t), "no hexadecimal digit"}};
    return true;
}

// The image typed only part way: it ends before the table's last page, whose own line count
// would leave open whether the image ended or lost lines.
inline bool cut_image(feed& f, const draft& d, verdict_case& c) {
    if (d.typed.size() < 2) {
        return false;
    }
    const std::size_t keep = 1 + below(f, d.typed.size() - 1);
    const std::vector<typed_line> typed(d.typed.begin(), d.typed.begin() + keep);
    const typed_image image = read_typed(d, typed);
    const std::uint32_t end = d.load + static_cast<std::uint32_t>(image.bytes.size());
    const std::size_t page = ((end - 1) >> 8) - (d.load >> 8);
    if (page + 1 >= d.rows.size() || (image.bytes.size() >= 256 && constant_bits(image.bytes))) {
        return false;
    }
    c.image = joined(image_lines(d, typed));
    c.what = "image typed up to " + where(d, end - 1) + ", line " +
             std::to_string(image_line(d, keep - 1));
    if (end % 256 != 0) {
        // A page the image holds no whole line of, or a row for a page begun inside as well:
        // what the check says of them is open.
        const table_row& row = d.rows[page];
        if (end % 256 < 8 || row.sums.size() != 32) {
            return false;
        }
        c.reports.push_back({false, image.text_line[std::max(row.page, d.load) - d.load], "holds"});
    }
    c.reports.push_back({true, table_line(d, page + 1), "not in the image"});
    return true;
}

// Typed lines left out of, or typed twice in, a file without labels after the first: a slip.
// Excluded: a slip that the check cannot confirm (no table line past it, the image as it stands
// fitting there, or another slip fitting too), and more than 16 bytes typed twice at the start,
// which the image without them as a header explains as well.
inline bool slip_lines(feed& f, const draft& d, verdict_case& c, bool doubled) {
    const std::size_t count = 1 + below(f, 4), lines = d.typed.size();
    const std::size_t full = d.typed.back().bytes.size() == d.width ? lines : lines - 1;
    if (doubled ? full < count : lines < count + 2) {
        return false;
    }
    // A line left out comes after the first (whose label it would take) and before the last.
    const std::size_t t = doubled ? below(f, full - count + 1) : 1 + below(f, lines - count - 1);
    const long long k = static_cast<long long>(count * d.width);
    if (doubled && t == 0 && k > 16) {
        return false;
    }
    std::vector<typed_line> typed = d.typed;
    if (doubled) {
        std::vector<typed_line> again(d.typed.begin() + t, d.typed.begin() + t + count);
        again[0].labelled = false;
        typed.insert(typed.begin() + t + count, again.begin(), again.end());
    } else {
        typed.erase(typed.begin() + t, typed.begin() + t + count);
    }
    const typed_image image = read_typed(d, typed);
    c.image = joined(image_lines(d, typed));
    c.what = "image lines " + std::to_string(image_line(d, t)) + " to " +
             std::to_string(image_line(d, t + count - 1)) +
             (doubled ? " typed twice" : " left out") + ", from " +
             where(d, d.load + static_cast<std::uint32_t>(t * d.width));
    if (same_rows(table_rows(d.load, image.bytes), d.rows)) {
        return true;
    }
    const std::size_t wrong = first_wrong(d, image.bytes);
    const std::uint32_t a = (d.load & ~7u) + 8 * static_cast<std::uint32_t>(wrong);
    const long long shift = doubled ? k : -k;
    if (wrong == d.sums.size() || sum_at(d.load, image.bytes, a, 0) < 0 ||
        !taken(read_slip(d, image.bytes, a, shift)) || other_slip(d, image.bytes, a, shift)) {
        return false;
    }
    c.reports = {{false, image.text_line[std::max(a, d.load) - d.load],
                  doubled ? "bytes too many" : "bytes missing"}};
    return true;
}

// Whether the image's lines differ from the table in two checksums of one row alone, each the
// other's: what two checksums of the row typed the other way round give as well.
inline bool as_checksums_exchanged(const draft& d, const std::vector<std::uint8_t>& bytes) {
    std::vector<std::size_t> wrong;
    for (std::size_t k = 0; k < d.sums.size(); ++k) {
        if (sum_at(d.load, bytes, (d.load & ~7u) + 8 * k, 0) != d.sums[k]) {
            wrong.push_back(k);
        }
    }
    if (wrong.size() != 2) {
        return false;
    }
    const std::uint32_t first = (d.load & ~7u) + 8 * static_cast<std::uint32_t>(wrong[0]);
    const std::uint32_t second = (d.load & ~7u) + 8 * static_cast<std::uint32_t>(wrong[1]);
    return first >> 8 == second >> 8 && sum_at(d.load, bytes, first, 0) == d.sums[wrong[1]] &&
           sum_at(d.load, bytes, second, 0) == d.sums[wrong[0]];
}

// Two neighbouring typed lines exchanged in a file without labels after the first. Excluded:
// one line checksum changed (a typo explains it as well), data that another exchange or a slip
// fits as well, and lines that look like two checksums of the table exchanged.
inline bool exchange_lines(feed& f, const draft& d, verdict_case& c) {
    const std::size_t lines = d.typed.size();
    const std::size_t full = d.typed.back().bytes.size() == d.width ? lines : lines - 1;
    if (full < 2) {
        return false;
    }
    const std::size_t t = below(f, full - 1);
    std::vector<typed_line> typed = d.typed;
    std::swap(typed[t].bytes, typed[t + 1].bytes);
    const typed_image image = read_typed(d, typed);
    c.image = joined(image_lines(d, typed));
    c.what = "image lines " + std::to_string(image_line(d, t)) + " and " +
             std::to_string(image_line(d, t + 1)) + " exchanged, " +
             where(d, d.load + static_cast<std::uint32_t>(t * d.width));
    if (same_rows(table_rows(d.load, image.bytes), d.rows)) {
        return true;
    }
    if (count_wrong(d, image.bytes) < 2 || as_checksums_exchanged(d, image.bytes)) {
        return false;
    }
    for (std::size_t s = t < 2 ? 0 : t - 2; s <= t + 2 && s + 1 < lines; ++s) {
        std::vector<typed_line> back = typed;
        std::swap(back[s].bytes, back[s + 1].bytes);
        if (s != t && same_rows(table_rows(d.load, read_typed(d, back).bytes), d.rows)) {
            return false;
        }
    }
    const std::uint32_t a =
        (d.load & ~7u) + 8 * static_cast<std::uint32_t>(first_wrong(d, image.bytes));
    if (other_slip(d, image.bytes, a, 0)) {
        return false;
    }
    c.reports = {{false, image_line(d, t), "exchanged"}};
    return true;
}

// Typed lines left out of a file with a label on every line: a hole, named at the line after it.
// Between the first line and the last, so that a line follows; not bytes whose lines sum as the
// fill's would.
inline bool leave_out_labelled(feed& f, const draft& d, verdict_case& c) {
    const std::size_t count = 1 + below(f, 40), lines = d.typed.size();
    if (lines < count + 2) {
        return false;
    }
    const std::size_t t = 1 + below(f, lines - count - 1);
    std::vector<typed_line> typed = d.typed;
    typed.erase(typed.begin() + t, typed.begin() + t + count);
    // The program with the hole's bytes the fill's: a hole that the sums cannot see.
    std::vector<std::uint8_t> filled = d.program;
    std::fill(filled.begin() + (d.typed[t].label - d.load),
              filled.begin() + (d.typed[t + count].label - d.load), std::uint8_t{0xFF});
    const bool fill = same_rows(table_rows(d.load, filled), d.rows);
    // Whole pages left out next to the first line or the last make its label seem one digit of
    // the page off: what the check says is open.
    const std::uint32_t bytes = d.typed[t + count].label - d.typed[t].label;
    const bool page_off = (t == 1 || t + count + 1 == lines) && bytes % 256 == 0;
    c.image = joined(image_lines(d, typed));
    c.what = "image lines " + std::to_string(image_line(d, t)) + " to " +
             std::to_string(image_line(d, t + count - 1)) + " left out, " +
             where(d, d.typed[t].label);
    c.reports = {{false, image_line(d, t), "bytes left out"}};
    return !fill && !page_off;
}

// A label with one digit changed in a file with a label on every line, far from the lines
// around it; the first line and the last too, which have a neighbour on one side only. Not an
// address within the program, whose bytes there the image would refuse as given twice.
inline bool move_label(feed& f, const draft& d, verdict_case& c) {
    if (d.typed.size() < 2) {
        return false;
    }
    const std::size_t t = below(f, d.typed.size());
    // The first line and the last: a digit of the page, as lines left out next to them would
    // make a label seem one digit off in a digit below.
    const bool one_side = t == 0 || t + 1 == d.typed.size();
    const unsigned shift = 4 * (one_side ? 2 + below(f, 2) : below(f, 4)), was = d.typed[t].label;
    const unsigned digit = ((was >> shift) + 1 + below(f, 15)) % 16;
    const unsigned label = (was & ~(15u << shift)) | digit << shift;
    const std::size_t size = d.typed[t].bytes.size();
    if (label + size > 0x10000 || (label + size > d.load && label < d.load + d.program.size())) {
        return false;
    }
    std::vector<typed_line> typed = d.typed;
    typed[t].label = label;
    c.image = joined(image_lines(d, typed));
    c.what = "image line " + std::to_string(image_line(d, t)) + ": label " + hex(label, 4) +
             " typed for " + where(d, was);
    c.reports = {{false, image_line(d, t), "out of order"}};
    return true;
}

// A row of the table with a mistake of one kind; rows with no checksum (a page the program holds
// no whole line of) stay as they are, but for their total: a total alone says too little to be
// paired by.
inline bool mistake_in_table(feed& f, const draft& d, verdict_case& c, mistake_kind kind) {
    std::vector<table_row> rows = d.rows;
    const std::size_t r = below(f, rows.size());
    table_row& row = rows[r];
    const std::size_t n = row.sums.size();
    const std::size_t i = n ? below(f, n) : 0;
    const unsigned shift = 4 * (next_byte(f) & 1), change = (1 + below(f, 15)) << shift;
    const std::string at = "table line " + std::to_string(table_line(d, r)) + " (" +
                           hex(row.page, 4) + ", load " + hex(d.load, 4) + "): ";
    std::string key;
    unsigned long long line = table_line(d, r);
    if (n == 0 && kind != total_typo && kind != label_typo) {
        return false;
    }
    switch (kind) {
    case checksum_typo:
        row.sums[i] ^= change;
        c.what = at + "checksum " + std::to_string(i + 1) + " typed " + hex(row.sums[i], 2);
        key = "line checksum";
        break;
    case total_typo:
        row.total ^= change;
        c.what = at + "total typed " + hex(row.total, 2);
        key = "page total";
        break;
    case checksums_exchanged:
        if (n < 2 || row.sums[i % (n - 1)] == row.sums[i % (n - 1) + 1]) {
            return false;
        }
        std::swap(row.sums[i % (n - 1)], row.sums[i % (n - 1) + 1]);
        c.what = at + "checksums " + std::to_string(i % (n - 1) + 1) + " and the next exchanged";
        key = "exchanged";
        break;
    case rows_exchanged:
        if (r + 1 == rows.size() || rows[r + 1].sums.empty()) {
            return false;
        }
        std::swap(rows[r], rows[r + 1]);
        c.what = at + "exchanged with the next";
        key = "exchanged";
        break;
    case row_missing:
        if (rows.size() < 2) {
            return false;
        }
        rows.erase(rows.begin() + static_cast<long>(r));
        c.what = at + "left out";
        key = "not in the listing";
        break;
    case row_doubled:
        rows.insert(rows.begin() + static_cast<long>(r), table_row(row));
        c.what = at + "typed twice";
        key = "not in the image";
        line += 1;
        break;
    case checksum_left_out:
        row.sums.erase(row.sums.begin() + static_cast<long>(i));
        c.what = at + "checksum " + std::to_string(i + 1) + " left out";
        key = "is missing";
        // A row that still adds up might be the image's.
        if (n < 2 || adds_up(row)) {
            return false;
        }
        break;
    case checksum_too_many:
        row.sums.insert(row.sums.begin() + static_cast<long>(next_byte(f) % (n + 1)), next_byte(f));
        c.what = at + "a checksum too many";
        key = "too many";
        // Not to 32, which reads as a whole page that the image begins or ends inside.
        if (n < 2 || n >= 31 || adds_up(row)) {
            return false;
        }
        break;
    case table_cut_short:
        // The rows after r left out, a row with checksums among them.
        if (std::none_of(rows.begin() + static_cast<long>(r) + 1, rows.end(),
                         [](const table_row& later) { return !later.sums.empty(); })) {
            return false;
        }
        rows.erase(rows.begin() + static_cast<long>(r) + 1, rows.end());
        c.what = at + "the last typed";
        key = "not in the listing";
        line += 1;
        break;
    case label_typo:
        // A digit of the page, not of the line within it.
        row.page ^= change << 8;
        c.what = at + "label typed " + hex(row.page, 4);
        key = "label reads";
        if (!d.table_labelled || row.page > 0xFFFF) {
            return false;
        }
        break;
    default:
        return false;
    }
    c.listing = joined(table_lines(d, rows));
    c.reports = {{true, line, key}};
    return true;
}

inline bool make_mistake(mistake_kind kind, feed& f, const draft& d, verdict_case& c) {
    switch (kind) {
    case digit_typo:
        return mistype_digit(f, d, c);
    case bad_digit:
        return mistype_character(f, d, c);
    case image_cut_short:
        return cut_image(f, d, c);
    case lines_left_out:
    case lines_doubled:
        return slip_lines(f, d, c, kind == lines_doubled);
    case lines_exchanged:
        return exchange_lines(f, d, c);
    case hole:
        return leave_out_labelled(f, d, c);
    case label_moved:
        return move_label(f, d, c);
    default:
        return mistake_in_table(f, d, c, kind);
    }
}

inline draft make_draft(feed& f, mistake_kind kind) {
    static const std::uint32_t loads[] = {0x0801, 0xC000, 0x033C, 0x1001,
                                          0x0800, 0x2000, 0x1C01, 0xC0F3};
    const unsigned form = next_byte(f), place = next_byte(f);
    draft d{};
    d.load = place < 128 ? loads[place % 8] : below(f, 0x10000);
    std::size_t n = 64 + below(f, form & 0x80 ? 2500 : 400);
    if (d.load + n > 0xFF00) {
        d.load = 0x1000;
    }
    if (form & 0x40) {
        d.program = code_program(f, n, d.load);
    }
    while (d.program.size() < n) {
        d.program.push_back(static_cast<std::uint8_t>(next_byte(f)));
    }
    const unsigned alike = constant_bits(d.program);
    for (unsigned bit = 0; bit < 8; ++bit) {
        d.program[n / 2 + bit] ^= alike & 1u << bit;
    }
    d.width = form & 1 ? 16 : 8;
    // Slips and exchanged lines are mistakes of files without labels; holes and labels out of
    // order of files with a label on every line.
    const unsigned style = form >> 1 & 3;
    if (kind == hole || kind == label_moved) {
        d.style = labels::every_line;
    } else if (kind == lines_left_out || kind == lines_doubled || kind == lines_exchanged) {
        d.style = style == 1 ? labels::none : labels::first_line;
    } else {
        d.style = style == 0 ? labels::every_line : style == 1 ? labels::none : labels::first_line;
    }
    d.table_labelled = form & 8 || kind == label_typo;
    d.image_header = form >> 4 & 1;
    d.table_header = form >> 5 & 1;
    for (std::size_t at = 0; at < n; at += d.width) {
        const bool labelled =
            d.style == labels::every_line || (d.style == labels::first_line && at == 0);
        const std::size_t end = std::min<std::size_t>(n, at + d.width);
        d.typed.push_back({labelled, d.load + static_cast<std::uint32_t>(at),
                           std::vector<std::uint8_t>(d.program.begin() + static_cast<long>(at),
                                                     d.program.begin() + static_cast<long>(end))});
    }
    d.rows = table_rows(d.load, d.program);
    for (const table_row& row : d.rows) {
        d.sums.insert(d.sums.end(), row.sums.begin(), row.sums.end());
    }
    return d;
}

} // namespace verdict_detail

// The case made of the fuzzer's bytes; without its mistake, the program and its table as they are.
inline verdict_case make_verdict_case(const std::uint8_t* data, std::size_t size,
                                      bool with_mistake = true) {
    using namespace verdict_detail;
    std::uint64_t seed = 14695981039346656037ull;
    for (std::size_t i = 0; i < size; ++i) {
        seed = (seed ^ data[i]) * 1099511628211ull;
    }
    feed f{data, size, 0, seed};
    const auto kind = static_cast<mistake_kind>(next_byte(f) % kind_count);
    const draft d = make_draft(f, kind);
    const verdict_case right{joined(image_lines(d, d.typed)),
                             joined(table_lines(d, d.rows)),
                             d.style == labels::none ? hex(d.load, 4) : "",
                             "no mistake",
                             {}};
    for (int attempt = 0; with_mistake && attempt < 16; ++attempt) {
        verdict_case c = right;
        if (make_mistake(kind, f, d, c)) {
            return c;
        }
    }
    return right;
}

#endif
