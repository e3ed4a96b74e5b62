#include "image/hex_text.h"

#include "text/address.h"
#include "text/characters.h"

#include <cstring>

namespace {

// A run of characters that are not blanks: text[begin, end).
struct group {
    std::size_t begin, end;
};

bool starts_comment(char c) {
    return c == '#' || c == ';' || c == '|';
}

// The next group from `at` on, before `end`; empty at the end.
group next_group(const char* text, std::size_t at, std::size_t end) {
    while (at < end && is_blank(text[at])) {
        ++at;
    }
    std::size_t stop = at;
    while (stop < end && !is_blank(text[stop])) {
        ++stop;
    }
    return group{at, stop};
}

std::size_t digits_from(const char* text, std::size_t at, std::size_t end) {
    std::size_t n = 0;
    while (at + n < end && hex_digit_value(text[at + n]) >= 0) {
        ++n;
    }
    return n;
}

std::uint32_t value_of(const char* text, std::size_t at, std::size_t n) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < n; ++i) {
        value = value << 4 | static_cast<std::uint32_t>(hex_digit_value(text[at + i]));
    }
    return value;
}

// A label that ends in a mark: an optional "$", "&" or "0x", 1 to 8 digits, then ":" or "-".
// Returns how many characters of the group it takes, or 0.
std::size_t marked_label(const char* text, group g, std::uint32_t& address) {
    const std::size_t at = g.begin + address_prefix(text + g.begin, g.end - g.begin);
    const std::size_t n = digits_from(text, at, g.end);
    if (n < 1 || n > 8 || at + n == g.end || (text[at + n] != ':' && text[at + n] != '-')) {
        return 0;
    }
    address = value_of(text, at, n);
    return at + n + 1 - g.begin;
}

// A first group of 4 to 8 digits is a label when every later group is exactly two digits, and
// there is one at least.
bool bare_label(const char* text, group first, std::size_t end, std::uint32_t& address) {
    const std::size_t n = first.end - first.begin;
    if (n < 4 || n > 8 || digits_from(text, first.begin, first.end) != n) {
        return false;
    }
    bool any = false;
    for (group g = next_group(text, first.end, end); g.begin < end;
         g = next_group(text, g.end, end)) {
        if (g.end - g.begin != 2 || digits_from(text, g.begin, g.end) != 2) {
            return false;
        }
        any = true;
    }
    address = value_of(text, first.begin, n);
    return any;
}

// Reads the data group text[begin, end) into `bytes`; returns the number read, or a fault.
image_error read_group(const char* text, std::size_t begin, std::size_t end,
                       unsigned long long line, std::uint8_t* bytes, std::size_t& n) {
    for (std::size_t i = begin; i < end; ++i) {
        if (hex_digit_value(text[i]) < 0) {
            return fault_at(image_fault::character, line, i, text[i]);
        }
    }
    if ((end - begin) % 2 != 0) {
        return fault_at(image_fault::odd_digits, line, begin);
    }
    for (std::size_t i = begin; i < end; i += 2) {
        bytes[n++] = static_cast<std::uint8_t>(value_of(text, i, 2));
    }
    return image_error{};
}

struct hex_state {
    bool begun; // a line with a label or bytes came: `at` is known
    std::uint32_t at;
    std::optional<std::uint32_t> start;
    bool labelled;
};

image_error read_line_of_hex(const text_line& line, hex_state& s, image& out) {
    const char* text = line.text;
    std::size_t end = 0;
    while (end < line.length && !starts_comment(text[end])) {
        ++end;
    }
    group g = next_group(text, 0, end);
    if (g.begin == end) {
        return image_error{};
    }
    std::uint32_t label = 0;
    const std::size_t marked = marked_label(text, g, label);
    const bool bare = marked == 0 && bare_label(text, g, end, label);
    const bool labelled = marked > 0 || bare;
    if (bare) {
        g = next_group(text, g.end, end);
    } else {
        g.begin += marked; // the bytes may follow the mark without a blank
    }
    std::uint8_t* bytes = image_room(out, text_line_max / 2);
    if (bytes == nullptr) {
        return fault_at(image_fault::no_memory, 0);
    }
    std::size_t n = 0;
    for (; g.begin < end; g = next_group(text, g.end, end)) {
        if (g.begin < g.end) {
            const image_error fault = read_group(text, g.begin, g.end, line.number, bytes, n);
            if (fault.fault != image_fault::none) {
                return fault;
            }
        }
    }
    if (!s.begun) {
        if (!labelled && !s.start) {
            return fault_at(image_fault::no_start, line.number);
        }
        s.labelled = labelled;
        s.at = labelled ? label : *s.start;
        s.begun = true;
    } else if (labelled) {
        s.at = label;
    }
    if (!add_bytes(out, s.at, n, line.number)) {
        return fault_at(image_fault::no_memory, 0);
    }
    s.at += static_cast<std::uint32_t>(n);
    return image_error{};
}

} // namespace

image_error read_hex_text(text_reader& in, std::optional<std::uint32_t> start, image& out,
                          bool& labelled) {
    hex_state state{false, 0, start, false};
    text_line line{};
    while (read_line(in, line)) {
        if (line.text == nullptr) {
            return fault_at(image_fault::too_long, line.number);
        }
        const image_error fault = read_line_of_hex(line, state, out);
        if (fault.fault != image_fault::none) {
            return fault;
        }
    }
    labelled = !state.begun || state.labelled; // an empty text lies where it is placed
    return text_ended(in);
}
