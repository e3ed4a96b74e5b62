#include "text/address.h"

#include "text/characters.h"

#include <cctype>
#include <cstring>

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
    // A "$" or "&" needs a digit after it: a prefix is passed over, and a digit must follow.
    p += address_prefix(p, std::strlen(p));
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

std::size_t address_prefix(const char* text, std::size_t n) {
    if (n >= 1 && (text[0] == '$' || text[0] == '&')) {
        return 1;
    }
    const bool hex = n >= 3 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') &&
                     hex_digit_value(text[2]) >= 0;
    return hex ? 2 : 0;
}
