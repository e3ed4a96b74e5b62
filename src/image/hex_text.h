#ifndef PAGETALLY_IMAGE_HEX_TEXT_H
#define PAGETALLY_IMAGE_HEX_TEXT_H

#include "image/image.h"
#include "image/image_error.h"
#include "text/text_reader.h"

#include <cstdint>
#include <optional>

// A typed hex text: lines of bytes in hexadecimal, each beginning at an address label or where
// the line before it ended. `labelled` tells whether its first line with bytes or a label has a
// label; without one, that line begins at `start`, and is a fault when there is none. For a check,
// a character that is no digit and a label out of order are noted, not refused.
image_error read_hex_text(text_reader& in, std::optional<std::uint32_t> start, image& out,
                          bool for_check, bool& labelled);

#endif
