#ifndef PAGETALLY_IMAGE_HEX_TEXT_H
#define PAGETALLY_IMAGE_HEX_TEXT_H

#include "image/image.h"
#include "image/image_error.h"
#include "text/text_reader.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// One line of typed hex read alone, as a text without a check is read: an optional label, then
// bytes; a comment and blanks are nothing. `fault` tells why it is no such line.
struct hex_line {
    image_error fault;
    bool labelled;
    std::uint32_t label;
    std::size_t count; // bytes
    std::uint8_t bytes[text_line_max / 2];
};
void read_hex_line(const text_line& line, hex_line& out);

// A typed hex text: lines of bytes in hexadecimal, each beginning at an address label or where
// the line before it ended. `labelled` tells whether its first line with bytes or a label has a
// label; without one, that line begins at `start`, and is a fault when there is none. For a check,
// a character that is no digit and a label out of order are noted, not refused.
image_error read_hex_text(text_reader& in, std::optional<std::uint32_t> start, image& out,
                          bool for_check, bool& labelled);

#endif
