#ifndef PAGETALLY_EXPLAIN_CAUSES_H
#define PAGETALLY_EXPLAIN_CAUSES_H

// What may explain a check that failed: a wrong start address, or an image that is blank, has a
// stuck data bit, or repeats itself.

#include "explain/image_again.h"
#include "listing/listing_line.h"
#include "walk/page_sums.h"
#include "walk/page_walk.h"

#include <cstddef>
#include <cstdint>
#include <optional>

// The image's first bytes, all of them when there are fewer: enough for its first line when it is
// text, and for its first two pages at any start, which the start-address search waits for.
constexpr std::size_t first_bytes_kept = 1024;
constexpr std::size_t start_search_bytes = 2 * page_size;

// The start address that the listing fits when the image's first `n` bytes are `bytes` (all of
// them when n < start_search_bytes): among the starts that keep bits 16 to 31 of `start`, the one
// at which the image's first page is exactly `first`, and its second page exactly `second`
// unless the image has one page there or `second` is null. `more` tells that the listing has a
// line after `first`: without one, a start at which the image has a second page does not fit.
// None when none or several fit.
std::optional<std::uint32_t> fitting_start(const std::uint8_t* bytes, std::size_t n,
                                           std::uint32_t start, const listing_line& first,
                                           const listing_line* second, bool more);

// Exactly equal: the same checksums and total, whatever the listing line's label.
bool same_page(const page_sums& page, const listing_line& line);

// What all the bytes of a stretch of the image have in common.
struct byte_traits {
    std::uint64_t bytes;
    std::uint8_t bits_and, bits_or;
};

constexpr byte_traits no_bytes{0, 0xFF, 0};

void add_traits(byte_traits& traits, const page_sums& page);

enum class repeat_result { none, found, failed };

// Finds the smallest power of two `length`, at least 256 and below the image's size, such that
// the image is its first `length` bytes repeated. Reads the image twice over at most, through
// two static buffers; `none` when `read_at` is null.
repeat_result find_repeat(image_again image, std::uint64_t& length);

#endif
