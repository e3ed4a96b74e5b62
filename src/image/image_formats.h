#ifndef PAGETALLY_IMAGE_FORMATS_H
#define PAGETALLY_IMAGE_FORMATS_H

// The files that images come in: raw bytes, read as they stream by, and the formats that are
// read whole into an image first: hex (the text people type), Intel HEX, Motorola S-records,
// and a Commodore .prg.

#include "image/image.h"
#include "text/text_reader.h"

#include <cstddef>
#include <cstdint>
#include <optional>

enum class image_format { raw, hex, ihex, srec, prg };

// The format called `name`: raw, hex, ihex, srec or prg.
std::optional<image_format> format_named(const char* name);

// Why a file is not an image of its format. Every fault but the last four is about line `line`.
enum class image_fault {
    none,
    too_long,        // the line is longer than listing_line_max
    character,       // `byte` at `column` is not what the format allows there
    odd_digits,      // the group of digits at `column` has an odd number of them
    no_start,        // the first line with bytes has no address label, and no start was given
    not_a_record,    // the line does not begin with the record mark, or is too short for one
    length,          // the record's length `given`, but it holds `wanted` bytes
    checksum,        // the record's checksum `given`, but its bytes need `wanted`
    record_type,     // a record type `given` that is not known, or whose length does not fit it
    count,           // an S5 or S6 count `given`, but `wanted` data records came before it
    conflict,        // `conflict`: two lines give one address different values
    no_end,          // Intel HEX without its end-of-file record
    no_load_address, // a .prg shorter than its two bytes of load address
    no_memory,       // the image is larger than the memory there is for it
    read_failed      // reading the file failed
};

struct image_error {
    image_fault fault;
    unsigned long long line;
    unsigned column; // from 1, counting bytes of the line
    unsigned char byte;
    unsigned long long given, wanted;
    image_conflict conflict;
};

// Reads the whole file in `format` (any but raw) from `in` into `out`, and places it: at
// `start` when one is given, the file's lowest address lies there; otherwise at the file's own
// addresses. A hex text whose first line with bytes has no label begins at `start` instead, and
// its labels are addresses as they stand. The error is the first in the file's order.
image_error read_image_file(image_format format, text_source in, std::optional<std::uint32_t> start,
                            image& out);

// Writes the error's one line, "NAME:N: ..." or "NAME: ...", into `text` (NUL-terminated,
// truncated to `size`); for read_failed, "cannot read NAME".
void describe_image_error(const image_error& error, image_format format, const char* name,
                          char* text, std::size_t size);

#endif
