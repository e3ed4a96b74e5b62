#ifndef PAGETALLY_WRITE_IMAGE_WRITER_H
#define PAGETALLY_WRITE_IMAGE_WRITER_H

// Writes an image in one of the formats pagetally reads, fed its bytes in address order, run by
// run, as they stream by: the file comes out as the runs come in, in constant memory.
//
// raw: the bytes from the first address to the last, holes as the fill byte. prg: the first
// address as two bytes, low byte first, then the bytes as raw. ihex: records of up to 16 data
// bytes on the 16-byte grid, holes left out, an extended linear address record wherever the
// upper 16 bits of the address change (and first when they are not 0000), the end-of-file
// record last. srec: an S0 header, data records as for ihex, S1, S2 or S3 by the highest
// address, the count record (S5, or S6 past 65,535 records), the end record with address 0.
// hex: lines of up to 8 bytes on the 8-byte grid, each labelled "ADDR: " (four digits, eight
// where the address needs them), the bytes in two uppercase digits separated by spaces.

#include "image/image_error.h"

#include <cstddef>
#include <cstdint>

// Where the written text goes: `write` takes `size` bytes, and returns false when it could not.
struct write_sink {
    bool (*write)(void* state, const char* data, std::size_t size);
    void* state;
};

struct write_plan {
    image_format format;
    std::uint8_t fill;
    std::uint32_t first;   // the image's first address: a .prg's load address, raw's first byte
    std::uint32_t highest; // the highest address it holds: the S-record type
    const char* line_end;  // of the text formats
};

// The text gathers in a buffer of the writer's own, taken when it starts (`failed` at once
// when there is no memory for it: then it must not be fed) and given back when it ends.
struct image_writer {
    write_plan plan;
    write_sink sink;
    bool failed;
    bool begun;               // a byte has come
    std::uint32_t next;       // raw, prg: the address after the last byte written
    std::uint32_t line_start; // the address of the first byte held
    std::uint8_t held[16];    // the bytes of the record or line being gathered
    std::size_t count;        // of them
    std::uint32_t upper;      // ihex: the upper 16 bits that the records' addresses have
    std::uint64_t records;    // srec: the data records written
    char* text;               // the buffer
    std::size_t used;         // of it
};

void start_writing(image_writer& w, const write_plan& plan, write_sink sink);

// The `n` bytes at `address` on, past every byte written before them.
void write_bytes(image_writer& w, std::uint32_t address, const std::uint8_t* bytes, std::size_t n);

// Writes what is held, and the format's end; false when the sink refused any of the text.
bool finish_writing(image_writer& w);

// Ends the writing without writing what is held, nor the format's end.
void abandon_writing(image_writer& w);

#endif
