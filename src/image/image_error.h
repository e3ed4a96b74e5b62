#ifndef PAGETALLY_IMAGE_IMAGE_ERROR_H
#define PAGETALLY_IMAGE_IMAGE_ERROR_H

// Why a file is not an image of its format, and the one line that says so: what the decoders
// return.

#include "image/image.h"
#include "text/text_reader.h"

#include <cstddef>

// The files that images come in: raw bytes, read as they stream by, and the formats that are
// read whole into an image first: hex (the text people type), Intel HEX, Motorola S-records,
// and a Commodore .prg.
enum class image_format { raw, hex, ihex, srec, prg };

// Why a file is not an image of its format. Every fault but the last four is about line `line`.
enum class image_fault {
    none,
    too_long,        // the line is longer than text_line_max
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
    read_failed,     // reading the file failed
    cut_character,   // read from UTF-16, the text ends inside a character
    lone_surrogate,  // read from UTF-16, a lone surrogate at `column`
    unmarked_utf16   // the first line holds 00 in every other byte, and no byte order mark
};

struct image_error {
    image_fault fault;
    unsigned long long line;
    unsigned column; // from 1, counting bytes of the line
    unsigned char byte;
    unsigned long long given, wanted;
    image_conflict conflict;
};

// The error of `fault` at line `line` (0: the file as a whole), `at` its column less one.
image_error fault_at(image_fault fault, unsigned long long line, std::size_t at = 0, char byte = 0);

// The fault of a line that UTF-16 could not give whole; none for any other.
image_error text_fault_of(const text_line& line);

// Reading the file failed.
image_error read_fault();

// Why the puts of the image's bytes ended: none while they went on, a conflict, or no memory.
image_error put_fault(const image& image);

// The fault of a text's end: none, or a failed read.
image_error text_ended(const text_reader& in);

// The words of a fault about one line, without its name and number: "character 'S' at
// column 16".
void describe_line_fault(const image_error& error, image_format format, char* text,
                         std::size_t size);

// Writes the error's one line, "NAME:N: ..." or "NAME: ...", into `text` (NUL-terminated,
// truncated to `size`); for read_failed, "cannot read NAME".
void describe_image_error(const image_error& error, image_format format, const char* name,
                          char* text, std::size_t size);

#endif
