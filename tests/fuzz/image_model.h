#ifndef PAGETALLY_TESTS_FUZZ_IMAGE_MODEL_H
#define PAGETALLY_TESTS_FUZZ_IMAGE_MODEL_H

// A plain model of the files that give a memory image: a reader that decodes a file by its
// format's rules and words its error as pagetally does (the file named "I"), the listing of the
// image read, and a writer of each format. Every byte is kept in a map from its address.

#include "model.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

enum class model_format { hex, ihex, srec, prg };

// Intel HEX and S-record files are read as text as the hex text is: a byte order mark, UTF-16,
// and lines of at most 4096 characters.
constexpr bool records_read_as_hex_text = true;

// An image read, or the error line that refuses the file.
struct model_image {
    std::string error;
    std::map<std::uint32_t, std::uint8_t> bytes; // at the file's own addresses
    std::uint32_t base;                          // the file's address that lies at `origin`
    std::uint32_t origin;
};

// Choices drawn from the fuzzer's bytes: a number below `n`, 0 once they run out.
struct chooser {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at;
};

inline std::uint32_t choose(chooser& c, std::uint64_t n) {
    std::uint64_t value = 0;
    for (std::uint64_t span = n - 1; span > 0; span >>= 8) {
        value = value << 8 | (c.at < c.size ? c.data[c.at++] : 0);
    }
    return static_cast<std::uint32_t>(value % n);
}

template <typename... T> std::string printed(const char* format, T... values) {
    char text[96];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

inline int digit_of(char c) {
    const int upper = c & ~0x20;
    return c >= '0' && c <= '9' ? c - '0' : upper >= 'A' && upper <= 'F' ? upper - 'A' + 10 : -1;
}

// The bytes of `count` pairs of hex digits from text[at].
inline std::vector<std::uint8_t> hex_bytes(const std::string& text, std::size_t at,
                                           std::size_t count) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = at; i < at + 2 * count; i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(digit_of(text[i]) << 4 | digit_of(text[i + 1])));
    }
    return bytes;
}

inline void put_utf8(std::string& out, std::uint32_t c) {
    static const unsigned leads[] = {0, 0xC0, 0xE0, 0xF0};
    const int more = c < 0x80 ? 0 : c < 0x800 ? 1 : c < 0x10000 ? 2 : 3;
    out += static_cast<char>(leads[more] | c >> (6 * more));
    for (int k = more - 1; k >= 0; --k) {
        out += static_cast<char>(0x80 | (c >> (6 * k) & 0x3F));
    }
}

// The lines of a text without their line ends (LF, CR LF or CR). With `marks`, a byte order mark
// is read: a UTF-8 one skipped, a UTF-16 one makes the rest UTF-16, converted to UTF-8, with FE
// for a lone surrogate and FF for an odd last byte.
inline std::vector<std::string> text_lines(const std::string& bytes, bool marks) {
    std::string text = marks && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
    const bool le = bytes.compare(0, 2, "\xFF\xFE") == 0;
    if (marks && (le || bytes.compare(0, 2, "\xFE\xFF") == 0)) {
        std::vector<std::uint32_t> units;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const std::uint32_t a = static_cast<std::uint8_t>(bytes[i]);
            const std::uint32_t b = static_cast<std::uint8_t>(bytes[i + 1]);
            units.push_back(le ? a | b << 8 : a << 8 | b);
        }
        text.clear();
        for (std::size_t k = 0; k < units.size(); ++k) {
            const std::uint32_t u = units[k];
            const bool pair = u >= 0xD800 && u < 0xDC00 && k + 1 < units.size() &&
                              units[k + 1] >= 0xDC00 && units[k + 1] < 0xE000;
            if (!pair && u >= 0xD800 && u < 0xE000) {
                text += '\xFE'; // a lone surrogate: a byte UTF-8 never holds
            } else {
                put_utf8(text, pair ? 0x10000 + ((u - 0xD800) << 10) + (units[++k] - 0xDC00) : u);
            }
        }
        if (bytes.size() % 2 != 0) {
            text += '\xFF'; // no UTF-8 byte either
        }
    }
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || text[i] == '\r') {
            i += text.compare(i, 2, "\r\n") == 0;
            lines.emplace_back();
        } else {
            lines.back() += text[i];
        }
    }
    if (lines.back().empty()) {
        lines.pop_back();
    }
    return lines;
}

inline std::string at_line(std::size_t n, const std::string& what) {
    return "I:" + std::to_string(n) + ": " + what;
}

inline std::string bad_character(std::size_t n, unsigned char c, std::size_t column) {
    return at_line(n, c >= 0x21 && c <= 0x7E ? printed("character '%c' at column %zu", c, column)
                                             : printed("byte 0x%02X at column %zu", c, column));
}

// What one line gives: its fault, or its bytes; `ends` for an end record.
struct model_line {
    std::string error;
    std::vector<std::pair<std::uint32_t, std::uint8_t>> bytes;
    bool ends;
};

// Reads the lines in order, each by `read`, until one has a fault, gives an address held a
// different value, or ends the file; `unended` is the error of a file without an end.
// With `limited`, a text read as text is: its lines at most 4096 bytes long, those UTF-16 could
// not give named, and a first line of 00 in every other byte, without a byte order mark, named
// whatever else the text holds.
template <typename Read>
model_image read_lines(const std::string& file, bool limited, const std::string& unended,
                       Read read) {
    const std::vector<std::string> lines = text_lines(file, limited);
    const bool utf16 =
        limited && (file.compare(0, 2, "\xFF\xFE") == 0 || file.compare(0, 2, "\xFE\xFF") == 0);
    if (limited && !utf16 && !lines.empty() && lines[0].size() >= 2 && lines[0].size() <= 4096) {
        bool zero[2] = {true, true};
        for (std::size_t i = 0; i < lines[0].size(); ++i) {
            zero[i % 2] = zero[i % 2] && lines[0][i] == '\0';
        }
        if (zero[0] || zero[1]) {
            return {"I: looks like UTF-16 without a byte order mark", {}, 0, 0};
        }
    }
    std::map<std::uint32_t, std::pair<std::uint8_t, std::size_t>> held; // value, first line
    for (std::size_t n = 1; n <= lines.size(); ++n) {
        const std::size_t mark =
            utf16 ? lines[n - 1].find_first_of(std::string("\xFE\xFF")) : std::string::npos;
        model_line line =
            limited && lines[n - 1].size() > 4096
                ? model_line{at_line(n, "more than 4096 characters"), {}, false}
            : mark == std::string::npos ? read(n, lines[n - 1])
            : lines[n - 1][mark] == '\xFF'
                ? model_line{at_line(n, "UTF-16 text ends inside a character"), {}, false}
                : model_line{at_line(n, printed("a lone UTF-16 surrogate at column %zu", mark + 1)),
                             {},
                             false};
        const std::pair<std::uint8_t, std::size_t>* was = nullptr;
        std::pair<std::uint32_t, std::uint8_t> given;
        for (const auto& byte : line.bytes) { // the first conflict in the line's order
            const auto it = held.find(byte.first);
            if (line.error.empty() && it != held.end() && it->second.first != byte.second &&
                was == nullptr) {
                was = &it->second;
                given = byte;
            }
        }
        if (was != nullptr) {
            return {at_line(n, printed("%04X holds %02X, line %zu gave it %02X", given.first,
                                       given.second, was->second, was->first)),
                    {},
                    0,
                    0};
        }
        if (!line.error.empty()) {
            return {line.error, {}, 0, 0};
        }
        for (const auto& [at, byte] : line.bytes) {
            held.emplace(at, std::make_pair(byte, n));
        }
        if (line.ends || n == lines.size()) {
            model_image image{line.ends ? "" : unended, {}, 0, 0};
            for (const auto& [at, given_at] : held) {
                image.bytes[at] = given_at.first;
            }
            return image;
        }
    }
    return {unended, {}, 0, 0};
}

// The address after the largest stretch that holds no byte, going round past FFFFFFFF; of
// stretches as large, the one past FFFFFFFF, else the lowest.
inline std::uint32_t model_first_address(const std::map<std::uint32_t, std::uint8_t>& bytes) {
    if (bytes.empty()) {
        return 0;
    }
    std::uint32_t first = bytes.begin()->first;
    std::uint64_t largest = std::uint64_t{first} + (std::uint64_t{1} << 32) - bytes.rbegin()->first;
    for (auto it = bytes.begin(), next = std::next(it); next != bytes.end(); it = next++) {
        if (next->first - it->first > largest) {
            largest = next->first - it->first;
            first = next->first;
        }
    }
    return first;
}

// Places an image read: the first byte of an unlabelled hex text at the start, else the first
// address at the start or at itself.
inline model_image placed(model_image image, std::optional<std::uint32_t> start, bool unlabelled) {
    image.base = unlabelled ? *start : model_first_address(image.bytes);
    image.origin = start.value_or(image.base);
    return image;
}

inline model_image read_hex(const std::string& file, std::optional<std::uint32_t> start) {
    bool begun = false;
    bool unlabelled = false;
    std::uint32_t next = 0;
    const auto read = [&](std::size_t n, const std::string& whole) {
        const std::string text = whole.substr(0, whole.find_first_of("#;|"));
        std::vector<std::pair<std::size_t, std::string>> groups; // column, characters
        for (std::size_t i = 0, j = 0; i < text.size(); i = std::max(j, i + 1)) {
            j = std::min(text.find_first_of(" \t", i), text.size());
            if (j > i) {
                groups.emplace_back(i + 1, text.substr(i, j - i));
            }
        }
        std::optional<std::uint32_t> label;
        const std::string g = groups.empty() ? "" : groups[0].second;
        const std::size_t i = g.compare(0, 2, "0x") == 0 || g.compare(0, 2, "0X") == 0 ? 2
                              : g[0] == '$' || g[0] == '&'                             ? 1
                                                                                       : 0;
        std::size_t j = i;
        while (j < g.size() && digit_of(g[j]) >= 0) {
            ++j;
        }
        const bool pairs = std::all_of(groups.begin() + !groups.empty(), groups.end(), [](auto& o) {
            return o.second.size() == 2 && digit_of(o.second[0]) >= 0 && digit_of(o.second[1]) >= 0;
        });
        if (j > i && j - i <= 8 && j < g.size() && (g[j] == ':' || g[j] == '-')) {
            label = std::stoul(g.substr(i, j - i), nullptr, 16);
            groups[0] = {groups[0].first + j + 1, g.substr(j + 1)};
        } else if (i == 0 && j == g.size() && j >= 4 && j <= 8 && groups.size() > 1 && pairs) {
            label = std::stoul(g, nullptr, 16);
            groups[0].second.clear();
        }
        std::vector<std::uint8_t> data;
        for (const auto& [column, group] : groups) {
            for (std::size_t k = 0; k < group.size(); ++k) {
                if (digit_of(group[k]) < 0) {
                    return model_line{bad_character(n, group[k], column + k), {}, false};
                }
            }
            if (group.size() % 2 != 0) {
                return model_line{
                    at_line(n, printed("an odd number of digits at column %zu", column)),
                    {},
                    false};
            }
            const std::vector<std::uint8_t> bytes = hex_bytes(group, 0, group.size() / 2);
            data.insert(data.end(), bytes.begin(), bytes.end());
        }
        model_line line{"", {}, false};
        if (!begun && !label && !data.empty()) {
            if (!start) {
                line.error = at_line(n, "no address label, and no start address given");
                return line;
            }
            unlabelled = true;
            next = *start;
        }
        begun = begun || label || !data.empty();
        next = label.value_or(next);
        for (const std::uint8_t byte : data) {
            line.bytes.emplace_back(next++, byte);
        }
        return line;
    };
    const model_image image = read_lines(file, true, "", read);
    return placed(image, start, unlabelled);
}

// Checks the characters, the length and the checksum of a record line whose digits begin at
// `from`: at least `least` of them, `fixed` bytes beside those its length counts. The error, or
// its bytes.
inline std::string record_bytes(std::size_t n, const std::string& t, std::size_t from,
                                std::size_t least, unsigned fixed, bool ones,
                                std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = from; i < t.size(); ++i) {
        if (digit_of(t[i]) < 0) {
            return bad_character(n, t[i], i + 1);
        }
    }
    const std::size_t digits = t.size() - from;
    if (digits < least) {
        return at_line(n, "not a record");
    }
    bytes = hex_bytes(t, from, digits / 2);
    const std::size_t holds = digits / 2 - fixed;
    if (digits % 2 != 0 || bytes[0] != holds) {
        return at_line(n, printed("length %02X, the record holds %02zX bytes", bytes[0], holds));
    }
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        sum += bytes[i];
    }
    const unsigned want = (ones ? ~sum : 0u - sum) & 0xFF;
    return bytes.back() == want
               ? ""
               : at_line(n, printed("checksum %02X, should be %02X", bytes.back(), want));
}

// A record line without its trailing blanks; empty for a line to skip.
inline std::string record_text(const std::string& line) {
    return line.substr(0, line.find_last_not_of(" \t") + 1);
}

inline model_image read_ihex(const std::string& file, std::optional<std::uint32_t> start) {
    bool segment = false;
    std::uint32_t base = 0;
    const auto read = [&](std::size_t n, const std::string& line) {
        const std::string t = record_text(line);
        std::vector<std::uint8_t> b;
        model_line out{t.empty()     ? ""
                       : t[0] != ':' ? at_line(n, "not a record")
                                     : record_bytes(n, t, 1, 10, 5, false, b),
                       {},
                       false};
        const int lengths[] = {-1, 0, 2, 4, 2, 4};
        if (t.empty() || !out.error.empty()) {
            return out;
        }
        if (b[3] > 5 || (lengths[b[3]] >= 0 && b[0] != lengths[b[3]])) {
            out.error = at_line(n, printed("record type %02X", b[3]));
            return out;
        }
        const std::uint32_t offset = b[1] << 8 | b[2];
        for (std::uint32_t i = 0; b[3] == 0 && i < b[0]; ++i) {
            out.bytes.emplace_back(segment ? base + ((offset + i) & 0xFFFF) : base + offset + i,
                                   b[4 + i]);
        }
        if (b[3] == 2 || b[3] == 4) {
            segment = b[3] == 2;
            base = segment ? (b[4] << 8 | b[5]) * 16 : (b[4] << 8 | b[5]) << 16;
        }
        out.ends = b[3] == 1;
        return out;
    };
    return placed(read_lines(file, records_read_as_hex_text, "I: no end-of-file record", read),
                  start, false);
}

inline model_image read_srec(const std::string& file, std::optional<std::uint32_t> start) {
    unsigned records = 0;
    const auto read = [&](std::size_t n, const std::string& line) {
        const std::string t = record_text(line);
        std::vector<std::uint8_t> b;
        model_line out{t.empty()                      ? ""
                       : t[0] != 'S' || t.size() == 1 ? at_line(n, "not a record")
                       : t[1] < '0' || t[1] > '9'     ? bad_character(n, t[1], 2)
                                                      : record_bytes(n, t, 2, 4, 1, true, b),
                       {},
                       false};
        if (t.empty() || !out.error.empty()) {
            return out;
        }
        // The count each type needs (at least, given negative), and its bytes of address or count.
        const int type = t[1] - '0';
        const int counts[] = {-1, -3, -4, -5, 256, 3, 4, 5, 4, 3};
        const unsigned widths[] = {0, 2, 3, 4, 0, 2, 3, 4, 3, 2};
        if (counts[type] > 0 ? b[0] != counts[type] : b[0] < -counts[type]) {
            out.error = at_line(n, std::string("record type S") + t[1]);
            return out;
        }
        std::uint32_t value = 0;
        for (std::size_t i = 1; i <= widths[type]; ++i) {
            value = value << 8 | b[i];
        }
        if ((type == 5 || type == 6) && value != records) {
            out.error =
                at_line(n, printed("count %u, the file has %u data records", value, records));
        }
        for (std::size_t i = 1 + widths[type]; type >= 1 && type <= 3 && i + 1 < b.size(); ++i) {
            out.bytes.emplace_back(value++, b[i]);
        }
        records += type >= 1 && type <= 3;
        out.ends = type >= 7;
        return out;
    };
    return placed(read_lines(file, records_read_as_hex_text, "", read), start, false);
}

inline model_image read_model(model_format format, const std::string& file,
                              std::optional<std::uint32_t> start) {
    if (format == model_format::hex) {
        return read_hex(file, start);
    }
    if (format != model_format::prg) {
        return format == model_format::ihex ? read_ihex(file, start) : read_srec(file, start);
    }
    model_image image{file.size() < 2 ? "I: no load address" : "", {}, 0, 0};
    for (std::size_t i = 2; i < file.size(); ++i) {
        image.bytes[static_cast<std::uint8_t>(file[0]) + (static_cast<std::uint8_t>(file[1]) << 8) +
                    static_cast<std::uint32_t>(i - 2)] = static_cast<std::uint8_t>(file[i]);
    }
    return placed(image, start, false);
}

// The listing of an image read: placed, every address from its first byte to its last that
// holds none is `fill`, and pages that hold no byte are left out, the next one labelled.
inline std::string model_image_listing(const model_image& image, std::uint8_t fill) {
    std::map<std::uint64_t, std::uint8_t> placed; // unwrapped, in the image's order
    for (const auto& [at, byte] : image.bytes) {
        placed[std::uint64_t{image.origin} + static_cast<std::uint32_t>(at - image.base)] = byte;
    }
    std::string text;
    std::uint64_t after = 0; // the page after the last one listed
    for (auto it = placed.begin(); it != placed.end(); it = placed.lower_bound(after << 8)) {
        const std::uint64_t page = it->first >> 8;
        if (it != placed.begin() && page != after) {
            text += printed("%04X: ", static_cast<std::uint32_t>(page << 8));
        }
        const std::uint64_t from = std::max(page << 8, placed.begin()->first);
        const std::uint64_t to = std::min((page + 1) << 8, placed.rbegin()->first + 1);
        std::vector<std::uint8_t> bytes;
        for (std::uint64_t a = from; a < to; ++a) {
            const auto held = placed.find(a);
            bytes.push_back(held == placed.end() ? fill : held->second);
        }
        text += model_listing(static_cast<std::uint32_t>(from), bytes.data(), bytes.size());
        after = page + 1;
    }
    return text;
}

// The writer's side: blocks of bytes at addresses, cut into records of 1 to `most` bytes, in an
// order chosen when `shuffled`.
struct model_block {
    std::uint32_t address;
    std::vector<std::uint8_t> bytes;
};

inline std::vector<model_block> cut(chooser& c, const std::vector<model_block>& blocks,
                                    std::size_t most, bool shuffled) {
    std::vector<model_block> records;
    for (const model_block& b : blocks) {
        for (std::size_t at = 0, n = 0; at < b.bytes.size(); at += n) {
            n = std::min<std::size_t>(1 + choose(c, most), b.bytes.size() - at);
            const auto first = b.bytes.begin() + static_cast<long>(at);
            records.push_back({static_cast<std::uint32_t>(b.address + at),
                               {first, first + static_cast<long>(n)}});
        }
    }
    for (std::size_t i = records.size(); shuffled && i > 1; --i) {
        std::swap(records[i - 1], records[choose(c, i)]);
    }
    return records;
}

inline std::string digits_of(const std::vector<std::uint8_t>& bytes, bool lower) {
    std::string text;
    for (const std::uint8_t byte : bytes) {
        text += printed(lower ? "%02x" : "%02X", byte);
    }
    return text;
}

// A record line: `mark`, its bytes and their checksum, in either case, perhaps trailing blanks.
inline std::string record_line(chooser& c, const std::string& mark, std::vector<std::uint8_t> b,
                               bool ones) {
    unsigned sum = 0;
    for (const std::uint8_t byte : b) {
        sum += byte;
    }
    b.push_back(static_cast<std::uint8_t>(ones ? ~sum : 0u - sum));
    return mark + digits_of(b, choose(c, 4) == 0) + (choose(c, 8) == 0 ? " \t" : "");
}

inline std::string write_ihex(chooser& c, const std::vector<model_block>& blocks,
                              const std::string& end) {
    std::string text;
    std::uint32_t base = 0; // and its mode: segment when its low 16 bits are not 0
    bool segment = false;
    const auto put = [&](const std::vector<std::uint8_t>& b) {
        text += record_line(c, ":", b, false) + end + (choose(c, 16) == 0 ? end : "");
    };
    for (const model_block& r : cut(c, blocks, 32, true)) {
        const std::uint32_t seg = std::min<std::uint32_t>(r.address >> 4, 0xFFFF);
        const bool in_segment = std::uint64_t{r.address} - seg * 16 + r.bytes.size() <= 0x10000;
        const bool use_segment = in_segment && choose(c, 4) == 0;
        const std::uint32_t value = use_segment ? seg : r.address >> 16;
        if (segment != use_segment || base != (use_segment ? seg * 16 : value << 16) ||
            choose(c, 8) == 0) {
            put({2, 0, 0, static_cast<std::uint8_t>(use_segment ? 2 : 4),
                 static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
        }
        segment = use_segment;
        base = use_segment ? seg * 16 : value << 16;
        if (choose(c, 16) == 0) {
            put({4, 0, 0, static_cast<std::uint8_t>(3 + 2 * choose(c, 2)), 1, 2, 3, 4});
        }
        const std::uint32_t offset = r.address - base;
        std::vector<std::uint8_t> record{static_cast<std::uint8_t>(r.bytes.size()),
                                         static_cast<std::uint8_t>(offset >> 8),
                                         static_cast<std::uint8_t>(offset), 0};
        record.insert(record.end(), r.bytes.begin(), r.bytes.end());
        put(record);
    }
    return text + ":00000001FF" + end + (choose(c, 4) == 0 ? "not read" + end : "");
}

inline std::string write_srec(chooser& c, const std::vector<model_block>& blocks,
                              const std::string& end) {
    std::string text =
        choose(c, 2) ? record_line(c, "S0", {6, 0, 0, 'H', 'D', 'R'}, true) + end : "";
    const std::vector<model_block> records = cut(c, blocks, 32, true);
    for (const model_block& r : records) {
        unsigned width = r.address <= 0xFFFF ? 2 : r.address <= 0xFFFFFF ? 3 : 4;
        width = choose(c, 4) == 0 ? std::max(width, 2 + choose(c, 3)) : width;
        std::vector<std::uint8_t> b{static_cast<std::uint8_t>(width + r.bytes.size() + 1)};
        for (unsigned i = width; i-- > 0;) {
            b.push_back(static_cast<std::uint8_t>(r.address >> (8 * i)));
        }
        b.insert(b.end(), r.bytes.begin(), r.bytes.end());
        text += record_line(c, "S" + std::to_string(width - 1), b, true) + end;
    }
    const auto high = static_cast<std::uint8_t>(records.size() >> 8);
    const auto low = static_cast<std::uint8_t>(records.size());
    const unsigned count = choose(c, 3);
    text += count == 0   ? record_line(c, "S5", {3, high, low}, true) + end
            : count == 1 ? record_line(c, "S6", {4, 0, high, low}, true) + end
                         : "";
    const unsigned last = choose(c, 4); // S9, S8, S7 with 2, 3, 4 bytes of start address
    std::vector<std::uint8_t> b{static_cast<std::uint8_t>(last + 2)};
    for (unsigned i = 0; i < last + 1; ++i) {
        b.push_back(static_cast<std::uint8_t>(choose(c, 256)));
    }
    return last == 0 ? text
                     : text + record_line(c, "S" + std::to_string(10 - last), b, true) + end +
                           (choose(c, 2) ? "not read" + end : "");
}

// A label in one of the forms people type; `bare`: 4 to 8 digits alone.
inline std::string hex_label(chooser& c, std::uint32_t address, bool bare) {
    unsigned digits = 1;
    while (digits < 8 && (address >> (4 * digits)) != 0) {
        ++digits;
    }
    const unsigned width = std::max(digits + choose(c, 9 - digits), bare ? 4u : 1u);
    static const char* const prefixes[] = {"", "", "$", "&", "0x", "0X"};
    const std::string label = printed("%0*X", static_cast<int>(width), address);
    return bare ? label : prefixes[choose(c, 6)] + label + (choose(c, 2) ? ":" : "-");
}

// Lines of 1 to 16 bytes, each labelled or going on from the line before; the first unlabelled
// when `unlabelled_first`.
inline std::string write_hex(chooser& c, const std::vector<model_block>& blocks,
                             bool unlabelled_first, const std::string& end) {
    std::string text = choose(c, 8) == 0 ? "\xEF\xBB\xBF" : "";
    std::optional<std::uint32_t> next;
    for (const model_block& r : cut(c, blocks, 16, false)) {
        const bool labelled = next ? *next != r.address || choose(c, 3) == 0 : !unlabelled_first;
        const unsigned form = labelled ? choose(c, 8) : 9; // 0 bare, 1 alone, 2-4 then a blank
        std::string line = labelled ? hex_label(c, r.address, form == 0) : "";
        text += form == 1 ? line + end : "";
        line = form == 1 ? "" : form < 5 ? line + (choose(c, 4) == 0 ? "\t" : " ") : line;
        const bool single_first = line.empty(); // else the first group may look like a label
        for (std::size_t i = 0; i < r.bytes.size(); ++i) {
            const bool apart = form == 0 || (i == 0 && single_first) || choose(c, 2);
            line += digits_of({r.bytes[i]}, false) +
                    (i + 1 < r.bytes.size() && apart ? choose(c, 4) == 0 ? "\t" : " " : "");
        }
        static const char* const notes[] = {"", "", "", "", "", " ; note", "# x", "  | y"};
        const bool lower = choose(c, 4) == 0;
        for (char& ch : line += notes[choose(c, 8)]) {
            ch = lower && ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch + 32) : ch;
        }
        text += line + end + (choose(c, 16) == 0 ? "; between" + end : "");
        next = static_cast<std::uint32_t>(r.address + r.bytes.size());
    }
    return text;
}

#endif
