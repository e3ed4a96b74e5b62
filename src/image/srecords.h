#ifndef PAGETALLY_IMAGE_SRECORDS_H
#define PAGETALLY_IMAGE_SRECORDS_H

#include "image/image.h"
#include "image/image_error.h"
#include "text/text_reader.h"

// Motorola S-records: an S0 header, S1, S2 and S3 data, S5 and S6 counts checked, and S7, S8 and
// S9 ends; no end record is needed.
image_error read_srecords(text_reader& in, image& out);

#endif
