#include "image/hex_groups.h"

#include "text/address.h"
#include "text/characters.h"

bool starts_comment(char c) {
    return c == '#' || c == ';' || c == '|';
}

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

std::size_t marked_label(const char* text, group g, std::uint32_t& address, unsigned& digits) {
    const std::size_t at = g.begin + address_prefix(text + g.begin, g.end - g.begin);
    const std::size_t n = digits_from(text, at, g.end);
    if (n < 1 || n > 8 || at + n == g.end || (text[at + n] != ':' && text[at + n] != '-')) {
        return 0;
    }
    address = value_of(text, at, n);
    digits = static_cast<unsigned>(n);
    return at + n + 1 - g.begin;
}

bool bare_label(const char* text, group first, std::size_t end, std::uint32_t& address,
                unsigned& digits) {
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
    digits = static_cast<unsigned>(n);
    return any;
}

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
