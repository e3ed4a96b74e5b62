#ifndef PAGETALLY_CHECK_SLIP_H
#define PAGETALLY_CHECK_SLIP_H

// A slip in the image: bytes typed twice or left out, so that every later line is off by some
// bytes. It is found at the first line A that differs, from the four lines from B on, which the
// image, shifted back in place, gives as the listing holds them.

#include <cstddef>
#include <cstdint>
#include <optional>

// Slips of up to this many bytes are looked for, either way; then slips of whole typed lines of
// up to slip_lines_most bytes.
constexpr int slip_most = 16;
constexpr int slip_lines_most = 256;

// How many lines from A on a slip test looks at.
constexpr unsigned slip_lines_seen = 40;

// The lines from A on, as the listing holds them, and the image's bytes from the line after A
// on: a slip's bytes begin in A, and the line after it is the first that a shift reads.
struct slip_lines {
    std::uint32_t at;                   // A, the first line that differs
    const std::uint8_t* bytes;          // the image's own bytes from A + 8 on
    std::size_t held;                   // how many of them the image holds without a hole
    std::uint8_t want[slip_lines_seen]; // the listing's checksum of line A + 8j
    std::uint64_t listed;               // bit j: the listing holds line A + 8j
    unsigned typed[2];                  // the lengths of the typed lines about A; 0 when none
    // Whether the image ends at bytes[held], and the listing's checksums at address
    // `listing_end`, with no page of either after that.
    bool image_ends, listing_ends;
    std::uint32_t listing_end;
    bool typed_image; // typed by hand: a typo may lie among the lines that confirm a slip
};

// The bytes that the image's bytes at `slip_lines::bytes` must hold at least, to test a slip.
constexpr std::size_t slip_window = 2 * slip_lines_most + 8 + 32;

// The line B that a slip of `shift` bytes at A has its image placed anew from: three lines on,
// or past the bytes missing when more than slip_most are. Bytes too many, however many, are
// passed over from A on: the image from B + shift on is the listing's from B on.
std::uint32_t slip_resumes(std::uint32_t a, int shift);

// The shift j of the image's bytes that gives the lines the listing holds from B on: the bytes
// from B + j on, placed from B on. 0 when the image fits as it is; else, of 1, -1, 2, -2, ...,
// 16, -16, then the multiples of a typed line's length up to 256 (j bytes too many, or -j
// missing), the one that fits whose lines from B on go on fitting furthest, the first tried of
// those that fit as far; none when none fits. Of B's four lines, all that the listing holds must
// fit; then, tried after, all but one of four. A slip with fewer than four lines held fits only
// when the image placed anew then ends where the listing's checksums end.
std::optional<int> find_shift(const slip_lines& lines);

// Whether a slip of `shift` bytes fits, as find_shift would take it were it tried first.
bool shift_fits(const slip_lines& lines, int shift);

#endif
