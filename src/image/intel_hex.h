#ifndef PAGETALLY_IMAGE_INTEL_HEX_H
#define PAGETALLY_IMAGE_INTEL_HEX_H

#include "image/image.h"
#include "image/image_error.h"
#include "text/text_reader.h"

// Intel HEX: data (00), end of file (01), extended segment (02) and linear (04) addresses, start
// addresses (03, 05) read and ignored. The end-of-file record is needed.
image_error read_intel_hex(text_reader& in, image& out);

#endif
