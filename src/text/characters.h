#ifndef PAGETALLY_TEXT_CHARACTERS_H
#define PAGETALLY_TEXT_CHARACTERS_H

// The characters that text is read by.

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

// A space or a tab: what separates the groups of a line.
constexpr bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

#endif
