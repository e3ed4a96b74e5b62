#ifndef PAGETALLY_IMAGE_PRG_H
#define PAGETALLY_IMAGE_PRG_H

#include "image/image.h"
#include "image/image_error.h"
#include "text/text_reader.h"

// A Commodore .prg: two bytes of load address, low byte first, then the program's bytes, read
// from `in` into `out`.
image_error read_prg(text_source in, image& out);

// Raw bytes read from `in` to its end into `out`, from `at` on.
image_error read_raw_bytes(text_source in, std::uint32_t at, image& out);

#endif
