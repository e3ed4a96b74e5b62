#include "listing_line.h"

#include "hex_digit.h"

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

listing_line parse_listing_line(const char* text, std::size_t length) {
    listing_line line{};
    std::size_t i = 0;
    while (i < length && is_blank(text[i])) {
        ++i;
    }
    if (length <= listing_line_max && (i == length || text[i] == '#')) {
        return line; // line_kind::skip
    }
    line.kind = line_kind::invalid;
    if (length > listing_line_max) {
        return line;
    }
    // The digits before the colon make checksums, the two after it the total.
    unsigned digits = 0;
    unsigned total_digits = 0;
    bool colon = false;
    for (; i < length; ++i) {
        const char c = text[i];
        const int value = hex_digit_value(c);
        if (is_blank(c)) {
            continue;
        }
        if (c == ':' && !colon) {
            colon = true;
        } else if (value < 0 || (colon ? total_digits == 2 : digits == 2 * lines_per_page)) {
            return line;
        } else if (colon) {
            line.total = static_cast<std::uint8_t>(line.total << 4 | value);
            ++total_digits;
        } else {
            std::uint8_t& checksum = line.checksum[digits / 2];
            checksum = static_cast<std::uint8_t>(checksum << 4 | value);
            ++digits;
        }
    }
    if (colon && digits % 2 == 0 && total_digits == 2) {
        line.kind = line_kind::page;
        line.count = digits / 2;
    }
    return line;
}
