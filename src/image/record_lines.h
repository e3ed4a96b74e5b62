#ifndef PAGETALLY_IMAGE_RECORD_LINES_H
#define PAGETALLY_IMAGE_RECORD_LINES_H

// What Intel HEX and Motorola S-records have alike: lines of one record each, every record its
// bytes in hexadecimal after a mark, its length and its checksum among them.

#include "image/image.h"
#include "image/image_error.h"
#include "text/text_reader.h"

#include <cstddef>
#include <cstdint>

// Records hold at most this many bytes: those of the longest line a text may have.
constexpr std::size_t record_max = text_line_max / 2;

// How the records of one format are read.
struct record_format {
    char mark;       // that every record line begins with
    bool end_needed; // a file without its end record is refused
    // Reads the record of `line`, `end` its length without trailing blanks, into `out`; sets
    // `ended` at the end record.
    image_error (*record)(void* state, const text_line& line, std::size_t end, image& out,
                          bool& ended);
    // Takes the records that come next and need no closer look, before a line is read; or null.
    void (*plain)(void* state, text_reader& in, image& out);
    void* state;
};

// Reads record lines, blank ones skipped, up to the end record, the end of the text, or the
// first fault.
image_error read_record_lines(text_reader& in, const record_format& format, image& out);

// Decodes the digits line.text[from, end) into `bytes` (a last odd digit left out); a fault at
// the first character that is not a digit.
image_error record_bytes(const text_line& line, std::size_t from, std::size_t end,
                         std::uint8_t* bytes);

image_error length_fault(unsigned long long line, unsigned given, std::size_t held);
image_error checksum_fault(unsigned long long line, unsigned given, unsigned wanted);
image_error type_fault(unsigned long long line, unsigned type);

unsigned sum_of(const std::uint8_t* bytes, std::size_t n);
std::uint32_t big_endian(const std::uint8_t* bytes, std::size_t n);

#endif
