#include "text/address.h"

#include "text/hex_digit.h"

#include <cctype>

namespace {

bool is_space(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

} // namespace

std::optional<std::uint32_t> parse_start_address(const char* text) {
    const char* p = text;
    while (is_space(*p)) {
        ++p;
    }
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') {
        ++p;
    }
    // "$" and "&", as 6502 and Acorn books write addresses, need a digit after them. The "0x"
    // prefix counts only when a digit follows it; otherwise its 0 is the number.
    if (*p == '$' || *p == '&') {
        ++p;
        if (hex_digit_value(*p) < 0) {
            return std::nullopt;
        }
    } else if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X') && hex_digit_value(p[2]) >= 0) {
        p += 2;
    }
    if (hex_digit_value(*p) < 0) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (int digit = hex_digit_value(*p); digit >= 0; digit = hex_digit_value(*++p)) {
        if (value > 0x0FFFFFFFu) {
            return std::nullopt; // a ninth significant digit would not fit in 32 bits
        }
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    return negative ? static_cast<std::uint32_t>(0u - value) : value;
}
