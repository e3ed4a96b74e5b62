#ifndef PAGETALLY_EXPLAIN_IMAGE_AGAIN_H
#define PAGETALLY_EXPLAIN_IMAGE_AGAIN_H

// The image read again, to explain a check that failed: from its first byte as a walk takes it,
// and, for a regular file of raw bytes, at any offset.

#include "walk/page_walk.h"

#include <cstddef>
#include <cstdint>

struct image_again {
    // A source that delivers the image's bytes again from its first; null when the image cannot
    // be read again.
    byte_source (*from_start)(void* state);
    void* state;
    // Reads up to `size` bytes from the image file's byte `offset` on into `buffer`, and returns
    // how many (0 at its end, -1 when reading failed); null when the file cannot be read at an
    // offset (an image read whole is walked again instead).
    long (*read_at)(void* state, std::uint64_t offset, void* buffer, std::size_t size);
    void* read_state;
    std::uint64_t size; // of the file read at an offset
};

// A file read again from its first byte through `read_at`, a piece at a time through a static
// buffer: one at a time. replay_file makes `state`, a file_replay, start over, and gives its
// source.
struct file_replay {
    long (*read_at)(void* state, std::uint64_t offset, void* buffer, std::size_t size);
    void* read_state;
    std::uint64_t size;
    std::uint64_t offset;
};
byte_source replay_file(void* state);

// The handle of a file read again through `read_at`; it cannot be when `read_at` is null.
image_again file_again(file_replay& replay);

#endif
