#ifndef PAGETALLY_IMAGE_IMAGE_H
#define PAGETALLY_IMAGE_IMAGE_H

// A memory image read from a file that gives its bytes' addresses (a typed hex text, Intel HEX,
// S-records, a .prg): the bytes in the order the file gives them, and a table of the runs of
// consecutive addresses that they fill, with the text lines that gave them. Nothing per byte is
// kept beyond the byte itself.

#include "image/grow_array.h"
#include "walk/page_walk.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// Bytes at consecutive addresses, given by consecutive lines of a text: the first line gives
// `first_size` bytes, each later one `line_size`, the last perhaps fewer.
struct image_run {
    std::uint32_t address; // the file's own address of the first byte
    std::uint32_t size;    // at least 1; a run never passes FFFFFFFF, in the file or placed
    const std::uint8_t* bytes;
    unsigned long long line; // the text line of the first byte; 0 when the file is not text
    std::uint32_t first_size;
    std::uint32_t line_size;
    std::uint32_t offset; // from the image's base, once placed
};

// Storage is taken in chunks, so that bytes never move once held.
constexpr std::size_t image_chunk_size = std::size_t{1} << 21;

// Where the chunks come from: `take` gives image_chunk_size bytes, or null when it cannot, and
// `give_back` takes them back. Without `take`, malloc and free.
struct image_memory {
    std::uint8_t* (*take)();
    void (*give_back)(std::uint8_t* bytes);
};

// Gives a chunk back: to `give_back`, or to free without one.
struct chunk_release {
    void (*give_back)(std::uint8_t* bytes);
    void operator()(std::uint8_t* bytes) const;
};

// The chunks an image holds, given back when it goes.
struct image_chunks {
    grow_array<std::uint8_t*> held;
    chunk_release release{nullptr};

    image_chunks() = default;
    image_chunks(const image_chunks&) = delete;
    image_chunks& operator=(const image_chunks&) = delete;
    ~image_chunks();
};

// What a text read for a check holds that a listing would refuse, for the check to report: a
// character that is no hexadecimal digit (read as the digit it looks like, or else its line's
// bytes are not compared), or a label out of order, read as the label that fits the lines
// around it.
enum class note_kind { bad_character, label_out_of_order };

struct image_note {
    note_kind kind;
    std::uint32_t
        address; // of the character's byte, or of the label as read; placed with the image
    unsigned long long line;
    unsigned column; // of the character, from 1
    char typed;
    char read_as;              // the digit a character was read as; 0 when none
    std::uint32_t from, bytes; // of a bad character's line, not compared when `read_as` is 0
    std::uint32_t label;       // as typed, of `digits` digits
    unsigned digits;
};

struct image {
    image_memory memory;
    image_chunks chunks;
    std::size_t used; // bytes of the last chunk
    grow_array<image_run> runs;
    bool open_line;               // the last run may grow by the next line of the text
    std::uint32_t base;           // the file's address at offset 0, once placed
    std::uint32_t origin;         // where offset 0 lies
    grow_array<image_note> notes; // in the order of their addresses, once placed
};

// Room for `n` bytes (at most image_chunk_size) after those held, valid until the image is used
// again; null when there is no memory for it.
std::uint8_t* image_room(image& image, std::size_t n);

// Takes the `n` bytes last written into the room as the file's bytes at `address` on (past
// FFFFFFFF they go on at 0), given by text line `line` (0 when the file is not text). Lines that
// follow one another with bytes at consecutive addresses extend one run. False when there is no
// memory for the table of runs.
bool add_bytes(image& image, std::uint32_t address, std::size_t n, unsigned long long line);

// Two lines that give one address different values.
struct image_conflict {
    unsigned long long line; // the later line, which gives `value`
    std::uint32_t address;   // the file's own
    std::uint8_t value;
    unsigned long long earlier_line; // the first line that gave the address a value
    std::uint8_t earlier_value;
};

// Finds the conflict whose later line comes first in the file (then the lowest address), if
// any. Sorts the runs by address. False when there is no memory for the search.
bool first_conflict(image& image, std::optional<image_conflict>& conflict);

// Places an image without conflicts: the file's address `base` lies at `origin`, and every byte
// keeps its distance from it, wrapping past FFFFFFFF to 0. The runs are then ordered by their
// distance from base, each address held once. False when there is no memory for it.
bool place_image(image& image, std::uint32_t base, std::uint32_t origin);

// Whether the image holds no byte.
bool image_empty(const image& image);

// The lowest of the file's addresses that hold a byte; 0 for an empty image.
std::uint32_t lowest_address(const image& image);

// Where a placed image's first byte lies; the start of the walk over it.
std::uint32_t image_start(const image& image);

// The text line that gave the byte at `address` of a placed image, or 0 when it holds none.
unsigned long long text_line_of(const image& image, std::uint32_t address);

// The first address from `address` on that holds a byte of a placed image, or where the image
// ends when none does (the address after its last byte).
std::uint32_t next_file_byte(const image& image, std::uint32_t address);

// Reads a placed image in order: its bytes, the fill byte at every address between its first
// and its last byte that holds none, except in pages that hold no byte at all, which are passed
// over (the run after them has moved).
struct image_reader {
    const image* source;
    std::size_t run;  // the next run of bytes to deliver
    std::uint64_t at; // the distance from base of the next address to deliver
    std::uint8_t fill[page_size];
};

image_reader read_image(const image& image, std::uint8_t fill);
byte_source image_bytes(image_reader& reader);

// A placed image read again from its first byte: image_from_start makes `state`, an
// image_replay, start over, and gives its source.
struct image_replay {
    const image* source;
    std::uint8_t fill;
    image_reader reader;
};
byte_source image_from_start(void* state);

#endif
