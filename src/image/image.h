#ifndef PAGETALLY_IMAGE_IMAGE_H
#define PAGETALLY_IMAGE_IMAGE_H

// A memory image read from a file that gives its bytes' addresses (a typed hex text, Intel HEX,
// S-records, a .prg): each byte at its own address, and a table of the runs of consecutive
// addresses that the file gave, with the text lines that gave them. Nothing per byte is kept
// beyond the byte itself and a bit that says the file gave it.

#include "image/grow_array.h"
#include "walk/page_walk.h"

#include <cstddef>
#include <cstdint>

// Bytes at consecutive addresses that the file gave, by consecutive lines of a text: the first
// line gives `first_size` bytes, each later one `line_size`, the last perhaps fewer; in address
// order, or, when the lines come down the addresses, from the run's end down. Runs never overlap.
// Sixteen bytes a run: a file of records in any order costs that much a record at most.
struct image_run {
    std::uint32_t address; // the file's own address of the first byte
    std::uint32_t size;    // at least 1; a run never passes FFFFFFFF in the file
    std::uint64_t lines;   // its text lines, packed (image_runs.h); 0 when the file is not text
};

// The image's bytes lie at their own addresses, in chunks of this many, each taken when a byte
// first lands in it.
constexpr std::size_t image_chunk_size = std::size_t{1} << 21;
constexpr std::size_t image_chunks_most = (std::uint64_t{1} << 32) / image_chunk_size;

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

// The chunks of an image's bytes, and for each a bit for every byte that the file gave: the
// bits of eight chunks share one block taken as a chunk is. All given back when the image goes.
// A block, the size of a chunk, holds the bits of eight chunks.
constexpr std::size_t image_chunks_a_block = 8;

struct image_store {
    std::uint8_t** chunks = nullptr;  // image_chunks_most of them, null until a byte lands
    std::uint64_t** blocks = nullptr; // image_chunks_most / 8 blocks of bits, 64 bytes a word
    chunk_release release{nullptr};

    image_store() = default;
    image_store(const image_store&) = delete;
    image_store& operator=(const image_store&) = delete;
    ~image_store();
};

// How the last run of the file's order goes on, that the next line may extend it.
struct run_tail {
    unsigned long long next_line; // 0: it does not go on by lines
    bool full;                    // its last line is as long as the lines before it
};

// What a text read for a check holds that a listing would refuse, for the check to report: a
// character that is no hexadecimal digit (read as the digit it looks like, or else its line's
// bytes are not compared), or a label out of order, read as the label that fits the lines
// around it.
enum class note_kind { bad_character, label_out_of_order };

struct image_note {
    note_kind kind;
    std::uint32_t address; // of the character's byte, or of the label as read; placed with it
    unsigned long long line;
    unsigned column; // of the character, from 1
    char typed;
    char read_as;              // the digit a character was read as; 0 when none
    std::uint32_t from, bytes; // of a bad character's line, not compared when `read_as` is 0
    std::uint32_t label;       // as typed, of `digits` digits
    unsigned digits;
};

// Two lines that give one address different values.
struct image_conflict {
    unsigned long long line; // the later line, which gives `value`
    std::uint32_t address;   // the file's own
    std::uint8_t value;
    unsigned long long earlier_line; // the first line that gave the address a value
    std::uint8_t earlier_value;
};

enum class put_result { stored, conflict, no_memory };

struct image {
    image_memory memory;
    image_store store;
    grow_array<image_run> runs;   // in the file's order; in their order from base, once placed
    std::uint32_t base;           // the file's address at offset 0, once placed
    std::uint32_t origin;         // where offset 0 lies
    grow_array<image_note> notes; // in the order of their addresses, once placed
    image_conflict conflict;      // the first, once a put met one
    put_result refused;           // what ended the puts: every later one ends so too
    run_tail tail;
};

// Puts the file's `n` bytes at `address` on (past FFFFFFFF they go on at 0), given by text line
// `line` (0 when the file is not text). An address that holds a byte keeps it, and when the new
// one differs the put stops there: the conflict, the first by address of the bytes given, is
// kept in `image.conflict`. Lines that give bytes at consecutive addresses, upward or downward,
// extend one run. Once a put fails, so does every later one, the same way.
put_result put_bytes(image& image, std::uint32_t address, const std::uint8_t* bytes, std::size_t n,
                     unsigned long long line);

// The first of the file's addresses in the address space's circular order: the address after
// the largest stretch that holds no byte; 0 for an empty image.
std::uint32_t first_address(image& image);

// Places the image: the file's address `base` lies at `origin`, and every byte keeps its
// distance from it, wrapping past FFFFFFFF to 0. The runs are then in their order from base.
void place_image(image& image, std::uint32_t base, std::uint32_t origin);

// Whether the image holds no byte.
bool image_empty(const image& image);

// Where a placed image's first byte lies; the start of the walk over it.
std::uint32_t image_start(const image& image);

// Where a placed image lies: its first byte, its last in the image's order (from the first,
// wrapping past FFFFFFFF), and the highest address that holds a byte. Its start, for an empty
// image.
struct image_span {
    std::uint32_t first, last, highest;
};
image_span span_of(const image& image);

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
    std::size_t run;  // the run of bytes being delivered
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
