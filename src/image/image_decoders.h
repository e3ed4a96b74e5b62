#ifndef PAGETALLY_IMAGE_DECODERS_H
#define PAGETALLY_IMAGE_DECODERS_H

// The readers of the text formats, for read_image_file. Each reads lines until the first fault
// or the end of the image, adding the bytes it reads to `out`, and returns that fault.

#include "image/image.h"
#include "image/image_formats.h"
#include "text/text_reader.h"

// A typed hex text. `labelled` tells whether its first line with bytes or a label has a label;
// without one, that line begins at `start`, and is a fault when there is none.
image_error read_hex_text(listing_reader& in, std::optional<std::uint32_t> start, image& out,
                          bool& labelled);

image_error read_intel_hex(listing_reader& in, image& out);

image_error read_srecords(listing_reader& in, image& out);

// Helpers the readers share.
image_error fault_at(image_fault fault, unsigned long long line, std::size_t at = 0, char byte = 0);

bool is_blank(char c);

// The fault of the text's end: none, or a failed read.
image_error text_ended(const listing_reader& in);

#endif
