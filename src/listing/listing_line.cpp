#include "listing/listing_line.h"

#include "text/address.h"
#include "text/characters.h"

#include <cstdio>

namespace {

listing_line invalid(line_fault fault, std::size_t at = 0, char byte = 0) {
    listing_line line{};
    line.kind = line_kind::invalid;
    line.fault = fault;
    line.column = static_cast<unsigned>(at + 1);
    line.byte = static_cast<unsigned char>(byte);
    return line;
}

// Reads the address label in text[0, colon), blanks ignored, into line.label; false if the
// text is not one.
bool read_label(const char* text, std::size_t colon, listing_line& line) {
    char typed[12];
    std::size_t n = 0;
    for (std::size_t i = 0; i < colon; ++i) {
        if (is_blank(text[i])) {
            continue;
        }
        if (n == sizeof typed) {
            return false;
        }
        typed[n++] = text[i];
    }
    const std::size_t at = address_prefix(typed, n);
    const std::size_t digits = n - at;
    if (digits < 4 || digits > 8) {
        return false;
    }
    for (std::size_t i = 0; i < digits; ++i) {
        const int value = hex_digit_value(typed[at + i]);
        if (value < 0) {
            return false;
        }
        line.label[i] = "0123456789ABCDEF"[value];
    }
    line.label[digits] = '\0';
    return true;
}

// Reads into `line` the checksums and the total from text[body, end): hexadecimal digits, blanks
// and the total's colon.
listing_line read_digits(const char* text, std::size_t body, std::size_t end,
                         std::size_t total_colon, listing_line line) {
    std::size_t digits = 0;
    std::size_t total_digits = 0;
    for (std::size_t i = body; i < end; ++i) {
        const int value = hex_digit_value(text[i]);
        if (value < 0) {
            continue;
        }
        if (i > total_colon) {
            line.total = static_cast<std::uint8_t>(line.total << 4 | value);
            ++total_digits;
        } else if (digits++ < 2 * (lines_per_page + 1)) {
            std::uint8_t& checksum = line.checksum[(digits - 1) / 2];
            checksum = static_cast<std::uint8_t>(checksum << 4 | value);
        }
    }
    if (digits % 2 != 0) {
        return invalid(line_fault::odd_digits);
    }
    if (digits > 2 * (lines_per_page + 1)) {
        listing_line too_many = invalid(line_fault::too_many);
        too_many.checksums = static_cast<unsigned>(digits / 2);
        return too_many;
    }
    if (total_digits != 2) {
        return invalid(line_fault::bad_total);
    }
    line.kind = line_kind::page;
    line.count = static_cast<unsigned>(digits / 2);
    return line;
}

} // namespace

listing_line parse_listing_line(const char* text, std::size_t length) {
    if (length > text_line_max) {
        return invalid(line_fault::too_long);
    }
    std::size_t end = 0; // of the text before a comment
    while (end < length && text[end] != '#' && text[end] != ';') {
        ++end;
    }
    std::size_t colons = 0;
    std::size_t colon[2] = {};
    bool empty = true;
    for (std::size_t i = 0; i < end; ++i) {
        empty = empty && is_blank(text[i]);
        if (text[i] == ':') {
            if (colons == 2) {
                return invalid(line_fault::extra_colon, i, ':');
            }
            colon[colons++] = i;
        }
    }
    listing_line line{};
    if (empty) {
        return line; // line_kind::skip
    }
    if (colons == 0) {
        return invalid(line_fault::no_total);
    }
    if (colons == 2 && !read_label(text, colon[0], line)) {
        return invalid(line_fault::bad_label);
    }
    const std::size_t body = colons == 2 ? colon[0] + 1 : 0;
    const std::size_t total_colon = colon[colons - 1];
    for (std::size_t i = body; i < end; ++i) {
        if (!is_blank(text[i]) && i != total_colon && hex_digit_value(text[i]) < 0) {
            return invalid(line_fault::bad_character, i, text[i]);
        }
    }
    return read_digits(text, body, end, total_colon, line);
}

listing_line read_listing_line(const text_line& text) {
    switch (text.fault) {
    case text_fault::cut_character:
        return invalid(line_fault::cut_character);
    case text_fault::lone_surrogate:
        return invalid(line_fault::lone_surrogate, text.fault_column - 1);
    case text_fault::none:
        break;
    }
    return parse_listing_line(text.text, text.length);
}

void describe_fault(const listing_line& line, char* text, std::size_t size) {
    switch (line.fault) {
    case line_fault::too_long:
        std::snprintf(text, size, "more than %u characters", static_cast<unsigned>(text_line_max));
        break;
    case line_fault::no_total:
        std::snprintf(text, size, "no page total");
        break;
    case line_fault::bad_label:
        std::snprintf(text, size, "a bad address label");
        break;
    case line_fault::extra_colon:
    case line_fault::bad_character:
        if (line.byte >= 0x21 && line.byte <= 0x7E) {
            std::snprintf(text, size, "character '%c' at column %u", line.byte, line.column);
        } else {
            std::snprintf(text, size, "byte 0x%02X at column %u", line.byte, line.column);
        }
        break;
    case line_fault::odd_digits:
        std::snprintf(text, size, "an odd number of digits");
        break;
    case line_fault::too_many:
        std::snprintf(text, size, "%u checksums", line.checksums);
        break;
    case line_fault::bad_total:
        std::snprintf(text, size, "the page total is not two digits");
        break;
    case line_fault::cut_character:
        describe_text_fault(text_fault::cut_character, line.column, text, size);
        break;
    case line_fault::lone_surrogate:
        describe_text_fault(text_fault::lone_surrogate, line.column, text, size);
        break;
    case line_fault::none:
        std::snprintf(text, size, "a checksum line");
        break;
    }
}
