#include "text/text_reader.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// The text is read in large pieces; a line is always whole within the buffer, which holds the
// longest line with its line end many times over.
constexpr std::size_t text_size = std::size_t{1} << 18;
char text[text_size];

// UTF-16 as read, before it is converted: 2 bytes of it give at most 3 of UTF-8, so a piece of
// this size always fits beside the few kilobytes of a line still unread.
constexpr std::size_t raw_size = std::size_t{1} << 16;
unsigned char raw[raw_size + sizeof text_reader::carry];

// What stands for text that is no character, in text converted from UTF-16: bytes that UTF-8
// never holds, so the line can tell them.
constexpr char cut_mark = '\xFF';
constexpr char lone_mark = '\xFE';

char* put_utf8(char* out, std::uint32_t c) {
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | c >> 6);
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | c >> 12);
        *out++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | c >> 18);
        *out++ = static_cast<char>(0x80 | (c >> 12 & 0x3F));
        *out++ = static_cast<char>(0x80 | (c >> 6 & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    return out;
}

// Converts the UTF-16 characters in raw[0, n) to UTF-8 at the end of the unread text. The bytes
// of a character cut off at the end wait in the carry for the next piece, unless the text has
// ended: then they become the cut mark.
void convert(text_reader& r, std::size_t n, bool last) {
    const bool big = r.encoding == text_encoding::utf16be;
    const auto unit = [big](std::size_t at) -> std::uint32_t {
        return big ? raw[at] << 8 | raw[at + 1] : raw[at] | raw[at + 1] << 8;
    };
    char* out = text + r.end;
    std::size_t i = 0;
    while (i + 2 <= n) {
        const std::uint32_t u = unit(i);
        if (u >= 0xD800 && u < 0xDC00) {
            if (i + 4 > n && !last) {
                break; // its low surrogate may come with the next piece
            }
            const std::uint32_t low = i + 4 <= n ? unit(i + 2) : 0;
            if (low >= 0xDC00 && low < 0xE000) {
                out = put_utf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                i += 4;
                continue;
            }
        }
        if (u >= 0xD800 && u < 0xE000) {
            *out++ = lone_mark;
        } else {
            out = put_utf8(out, u);
        }
        i += 2;
    }
    if (last && i < n) {
        *out++ = cut_mark; // an odd last byte
        i = n;
    }
    r.carried = n - i;
    std::memcpy(r.carry, raw + i, r.carried);
    r.end = static_cast<std::size_t>(out - text);
}

void read_piece(text_reader& r, void* into, std::size_t size, long& n) {
    n = r.source.read(r.source.state, static_cast<char*>(into), size);
    r.failed = n < 0;
    r.ended = n == 0;
}

// The first bytes tell the encoding: a byte order mark, or UTF-8 without one.
void start(text_reader& r) {
    r.started = true;
    long n = 0;
    do {
        read_piece(r, text + r.end, raw_size - r.end, n);
        r.end += n > 0 ? static_cast<std::size_t>(n) : 0;
    } while (n > 0 && r.end < 3);
    const auto* head = reinterpret_cast<const unsigned char*>(text);
    if (r.end >= 3 && head[0] == 0xEF && head[1] == 0xBB && head[2] == 0xBF) {
        r.begin = 3;
    } else if (r.end >= 2 &&
               ((head[0] == 0xFF && head[1] == 0xFE) || (head[0] == 0xFE && head[1] == 0xFF))) {
        r.encoding = head[0] == 0xFF ? text_encoding::utf16le : text_encoding::utf16be;
        const std::size_t size = r.end - 2;
        std::memcpy(raw, text + 2, size);
        r.end = 0;
        convert(r, size, r.ended);
    }
}

// Reads more text after what is still unread, or finds the end or a failure.
void fill(text_reader& r) {
    if (r.begin > 0) {
        std::memmove(text, text + r.begin, r.end - r.begin);
        r.end -= r.begin;
        r.begin = 0;
    }
    if (!r.started) {
        start(r);
        return;
    }
    long n = 0;
    if (r.encoding == text_encoding::utf8) {
        read_piece(r, text + r.end, text_size - r.end, n);
        r.end += n > 0 ? static_cast<std::size_t>(n) : 0;
        return;
    }
    std::memcpy(raw, r.carry, r.carried);
    read_piece(r, raw + r.carried, raw_size - r.carried, n);
    if (!r.failed) {
        convert(r, r.carried + (n > 0 ? static_cast<std::size_t>(n) : 0), r.ended);
    }
}

const char* line_end(const char* start, std::size_t size) {
    const auto* lf = static_cast<const char*>(std::memchr(start, '\n', size));
    const auto* cr = static_cast<const char*>(
        std::memchr(start, '\r', lf != nullptr ? static_cast<std::size_t>(lf - start) : size));
    return cr != nullptr ? cr : lf;
}

// Whether every other byte of the line, from `first` on, is 00.
bool zero_between(const char* start, std::size_t length, std::size_t first) {
    for (std::size_t i = first; i < length; i += 2) {
        if (start[i] != '\0') {
            return false;
        }
    }
    return true;
}

// Marks the line with the first place in it that UTF-16 could not give.
void find_fault(text_line& line) {
    for (std::size_t i = 0; i < line.length; ++i) {
        if (line.text[i] == cut_mark || line.text[i] == lone_mark) {
            line.fault =
                line.text[i] == cut_mark ? text_fault::cut_character : text_fault::lone_surrogate;
            line.fault_column = static_cast<unsigned>(i + 1);
            return;
        }
    }
}

bool give(text_reader& r, text_line& line, const char* start, std::size_t length, bool too_long) {
    line = too_long || length > text_line_max
               ? text_line{nullptr, text_line_max + 1, ++r.line_number, text_fault::none, 0}
               : text_line{start, length, ++r.line_number, text_fault::none, 0};
    if (line.text != nullptr && r.encoding != text_encoding::utf8) {
        find_fault(line);
    }
    if (r.line_number == 1 && r.encoding == text_encoding::utf8 && length >= 2 && !too_long) {
        r.unmarked_utf16 = zero_between(start, length, 0) || zero_between(start, length, 1);
    }
    return true;
}

} // namespace

void describe_text_fault(text_fault fault, unsigned column, char* text, std::size_t size) {
    if (fault == text_fault::cut_character) {
        std::snprintf(text, size, "UTF-16 text ends inside a character");
    } else {
        std::snprintf(text, size, "a lone UTF-16 surrogate at column %u", column);
    }
}

text_reader start_reading(text_source source) {
    text_reader reader{};
    reader.source = source;
    return reader;
}

bool read_line(text_reader& r, text_line& line) {
    bool too_long = false; // the start of the line was passed over
    for (;;) {
        const char* start = text + r.begin;
        const std::size_t available = r.end - r.begin;
        const char* stop = line_end(start, available);
        const bool more = !r.ended && !r.failed;
        // A CR at the end of what is read may have its LF in the next piece.
        if (stop != nullptr && (*stop == '\n' || stop + 1 < start + available || !more)) {
            const auto length = static_cast<std::size_t>(stop - start);
            const bool crlf = *stop == '\r' && stop + 1 < start + available && stop[1] == '\n';
            r.begin += length + (crlf ? 2 : 1);
            return give(r, line, start, length, too_long);
        }
        if (!more) {
            if (r.failed || (available == 0 && !too_long)) {
                return false;
            }
            r.begin = r.end; // the last line, without a line end
            return give(r, line, start, available, too_long);
        }
        // What is read of a line too long to keep is dropped; its end is still to come.
        const std::size_t length =
            stop != nullptr ? static_cast<std::size_t>(stop - start) : available;
        if (length > text_line_max) {
            too_long = true;
            r.begin += length;
        }
        fill(r);
    }
}

bool take_lines(text_reader& r, const char* lines_text, std::size_t length,
                unsigned long long lines) {
    while (r.end - r.begin < length && !r.ended && !r.failed) {
        fill(r);
    }
    if (r.end - r.begin < length || std::memcmp(text + r.begin, lines_text, length) != 0) {
        return false;
    }
    r.begin += length;
    r.line_number += lines;
    return true;
}

bool take_line(text_reader& r, const char* line_text, std::size_t length) {
    while (r.end - r.begin < length + 2 && !r.ended && !r.failed) {
        fill(r);
    }
    const std::size_t available = r.end - r.begin;
    const char* at = text + r.begin;
    if (available < length || std::memcmp(at, line_text, length) != 0) {
        return false;
    }
    std::size_t taken = length;
    if (available == length) {
        if (!r.ended) {
            return false;
        }
    } else if (at[length] == '\n') {
        taken += 1;
    } else if (at[length] == '\r') {
        taken += available > length + 1 && at[length + 1] == '\n' ? 2 : 1;
    } else {
        return false;
    }
    r.begin += taken;
    ++r.line_number;
    return true;
}

const char* unread_text(text_reader& r, std::size_t wanted, std::size_t& available) {
    while (r.end - r.begin < wanted && !r.ended && !r.failed) {
        fill(r);
    }
    available = r.end - r.begin;
    return text + r.begin;
}

void take_text(text_reader& r, std::size_t length, unsigned long long lines) {
    r.begin += length;
    r.line_number += lines;
}
