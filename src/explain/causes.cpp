#include "explain/causes.h"

#include <algorithm>
#include <cstring>

namespace {

// Two stretches of the image are compared a piece at a time.
constexpr std::size_t piece_size = std::size_t{1} << 16;
std::uint8_t first_piece[piece_size];
std::uint8_t second_piece[piece_size];

bool read_exactly(image_again image, std::uint64_t offset, std::uint8_t* buffer, std::size_t size) {
    while (size > 0) {
        const long n = image.read_at(image.read_state, offset, buffer, size);
        if (n <= 0) {
            return false; // a file that ends before its size has changed since it was opened
        }
        offset += static_cast<std::uint64_t>(n);
        buffer += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

enum class comparison { same, differ, failed };

comparison compare(image_again image, std::uint64_t a, std::uint64_t b, std::uint64_t length) {
    for (std::uint64_t done = 0; done < length;) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(piece_size, length - done));
        if (!read_exactly(image, a + done, first_piece, n) ||
            !read_exactly(image, b + done, second_piece, n)) {
            return comparison::failed;
        }
        if (std::memcmp(first_piece, second_piece, n) != 0) {
            return comparison::differ;
        }
        done += n;
    }
    return comparison::same;
}

} // namespace

bool same_page(const page_sums& page, const listing_line& line) {
    return page.count == line.count && page.total == line.total &&
           std::memcmp(page.line + page.first, line.checksum, page.count) == 0;
}

std::optional<std::uint32_t> fitting_start(const std::uint8_t* bytes, std::size_t n,
                                           std::uint32_t start, const listing_line& first,
                                           const listing_line* second, bool more) {
    std::optional<std::uint32_t> fit;
    std::uint8_t block[2][page_size];
    for (std::uint32_t offset = 0; offset < page_size; ++offset) {
        // The image's first two pages when it starts at this offset in a page; the positions
        // before the start are zero.
        const std::size_t first_n = std::min<std::size_t>(n, page_size - offset);
        const std::size_t second_n = std::min(n - first_n, page_size);
        std::memset(block[0], 0, offset);
        std::memcpy(block[0] + offset, bytes, first_n);
        std::memcpy(block[1], bytes + first_n, second_n);
        // The page number adds the same to every line checksum of the page, so one at most
        // fits at this offset: the one that makes the first checksum right.
        const std::uint32_t at_page_0 = (start & 0xFFFF0000u) | offset;
        const page_sums sums = sum_page(block[0], at_page_0, first_n);
        if (sums.count == 0 || first.count == 0) {
            continue;
        }
        const std::uint32_t page = (first.checksum[0] - sums.line[sums.first]) & 0xFFu;
        const std::uint32_t at = at_page_0 | page << 8;
        if (!same_page(sum_page(block[0], at, first_n), first) || (second_n > 0 && !more) ||
            (second_n > 0 && second != nullptr &&
             !same_page(sum_page(block[1], (at & ~0xFFu) + 0x100u, second_n), *second))) {
            continue;
        }
        if (fit) {
            return std::nullopt; // several fit: none can be named
        }
        fit = at;
    }
    return fit;
}

void add_traits(byte_traits& traits, const page_sums& page) {
    traits.bytes += page.bytes;
    traits.bits_and &= page.bits_and;
    traits.bits_or |= page.bits_or;
}

repeat_result find_repeat(image_again image, std::uint64_t& length) {
    // The largest candidate: the largest power of two that divides the size and lies below it.
    std::uint64_t s = image.size & (~image.size + 1);
    s = s == image.size ? s / 2 : s;
    if (image.read_at == nullptr || s < page_size) {
        return repeat_result::none;
    }
    // An image that repeats its first s bytes has the period s; one that repeats a smaller
    // candidate has that period too, so none fits when s does not.
    switch (compare(image, 0, s, image.size - s)) {
    case comparison::failed:
        return repeat_result::failed;
    case comparison::differ:
        return repeat_result::none;
    case comparison::same:
        break;
    }
    // It repeats its first s / 2 bytes when its first s bytes are their first half twice.
    for (; s / 2 >= page_size; s /= 2) {
        const comparison halves = compare(image, 0, s / 2, s / 2);
        if (halves == comparison::failed) {
            return repeat_result::failed;
        }
        if (halves == comparison::differ) {
            break;
        }
    }
    length = s;
    return repeat_result::found;
}
