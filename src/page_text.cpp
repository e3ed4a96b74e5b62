#include "page_text.h"

namespace {

const char hex_digits[] = "0123456789ABCDEF";

char* put_hex_byte(char* out, std::uint8_t value) {
    out[0] = hex_digits[value >> 4];
    out[1] = hex_digits[value & 0x0F];
    return out + 2;
}

} // namespace

std::size_t format_page(const page_sums& sums, char* text) {
    char* out = text;
    for (unsigned i = sums.first; i < sums.first + sums.count; ++i) {
        out = put_hex_byte(out, sums.line[i]);
        *out++ = ' ';
    }
    *out++ = ':';
    *out++ = ' ';
    out = put_hex_byte(out, sums.total);
    *out++ = '\n';
    return static_cast<std::size_t>(out - text);
}
