#ifndef PAGETALLY_HEX_DIGIT_H
#define PAGETALLY_HEX_DIGIT_H

// The value of a hexadecimal digit in either case, or -1 for any other character.
constexpr int hex_digit_value(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

#endif
