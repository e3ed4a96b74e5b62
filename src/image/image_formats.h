#ifndef PAGETALLY_IMAGE_IMAGE_FORMATS_H
#define PAGETALLY_IMAGE_IMAGE_FORMATS_H

// The formats by name, and the reading of a file in one of them whole, each by its decoder.

#include "image/image.h"
#include "image/image_error.h"
#include "text/text_reader.h"

#include <cstdint>
#include <optional>

// The format called `name`: raw, hex, ihex, srec or prg.
std::optional<image_format> format_named(const char* name);

// Reads the whole file in `format` (any but raw) from `in` into `out`, and places it: at
// `start` when one is given, the file's first address lies there; otherwise at the file's own
// addresses. A hex text whose first line with bytes has no label begins at `start` instead, and
// its labels are addresses as they stand. The error is the first in the file's order.
// For a check, typed hex is read past a character that is no digit and a label out of order,
// which are noted in the image for the check to report.
enum class image_reading { to_list, to_check };

image_error read_image_file(image_format format, text_source in, std::optional<std::uint32_t> start,
                            image& out, image_reading how = image_reading::to_list);

#endif
