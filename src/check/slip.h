#ifndef PAGETALLY_CHECK_SLIP_H
#define PAGETALLY_CHECK_SLIP_H

// A slip in the image: bytes typed twice or left out, so that every later line is off by some
// bytes. It is found from the four lines just past the slip: the image, shifted back in place,
// gives the listing's checksums of them.

#include <cstddef>
#include <cstdint>
#include <optional>

// Slips of up to this many bytes are looked for, either way.
constexpr int slip_most = 16;

// The four lines from B on, as the listing holds them, and the image's bytes around them.
struct slip_lines {
    std::uint32_t at;          // B, the first line's address
    const std::uint8_t* bytes; // the image's bytes from address B - slip_most on
    std::size_t held;          // how many of them the image holds without a hole, up to 64
    std::uint8_t want[4];      // the listing's checksum of line B + 8m
    unsigned listed;           // bit m: the listing holds line B + 8m
};

// The shift j of the image's bytes that gives every line the listing holds (at least one): the
// bytes from B + j on, placed from B on. 0 when the image fits as it is; else the first of 1,
// -1, 2, -2, ..., 16, -16 that fits (j bytes too many, or -j missing); none when none fits.
std::optional<int> find_shift(const slip_lines& lines);

#endif
