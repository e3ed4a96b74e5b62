#ifndef PAGETALLY_WALK_PAGE_SUMS_H
#define PAGETALLY_WALK_PAGE_SUMS_H

#include <cstddef>
#include <cstdint>

constexpr std::size_t page_size = 256;
constexpr std::size_t line_size = 8;
constexpr std::size_t lines_per_page = page_size / line_size;

// The checksums of one page of the memory image.
struct page_sums {
    unsigned first;                    // index of the page's first whole line
    unsigned count;                    // whole lines: first + count <= lines_per_page
    std::uint8_t line[lines_per_page]; // line[i] is valid for first <= i < first + count
    std::uint8_t total;                // low byte of the sum of the whole lines' data bytes
    // The bitwise AND and OR of the input's bytes in the page, those in no whole line included
    // and the zero positions before an unaligned start not: set by page_bits, apart from the
    // sums, since only a check wants them.
    std::uint8_t bits_and, bits_or;
    unsigned bytes;             // the input's bytes in the page, 1 to 256
    std::uint32_t next_address; // address of the next byte to sum
    // The page's position 0: the input's bytes lie at positions `from` to `from + bytes - 1`.
    // Valid only while the page is handed over (see page_consumer).
    const std::uint8_t* block;
    unsigned from;
};

// The address of the page's position 0.
inline std::uint32_t page_address(const page_sums& sums) {
    return sums.count == 0 ? sums.next_address & ~std::uint32_t{0xFF}
                           : sums.next_address - 8u * (sums.first + sums.count);
}

// Sums the page that holds `address`. `block` points at the page's position 0 of 256: it holds
// `n` bytes read from the position of `address` (its low 8 bits) on, zero bytes before that
// position in the same line, and anything after the read bytes.
//
// Lines are the 8-byte aligned lines of the address space. A line is summed only when the read
// reached its last position. A line's checksum is the low byte of its address's bits 8 to 15,
// its address's bits 0 to 7 and its eight data bytes; the page total takes the data bytes only.
// `next_address` is the end of the last whole line (the next page boundary once the read
// filled the page), or `address` itself when no line was whole. Arithmetic wraps modulo 2^32.
page_sums sum_page(const std::uint8_t* block, std::uint32_t address, std::size_t n);

// Sums `count` whole pages that lie one after another from `pages`, the first at `address` (a
// page boundary), into sums[0] to sums[count - 1]: as sum_page does each, faster.
void sum_whole_pages(const std::uint8_t* pages, std::size_t count, std::uint32_t address,
                     page_sums* sums);

// Sets the page's bits_and and bits_or from the input's `n` bytes in it.
void page_bits(const std::uint8_t* bytes, std::size_t n, page_sums& sums);

// Sets bits_and and bits_or of `count` whole pages that lie one after another from `pages`: as
// page_bits does each, faster.
void whole_page_bits(const std::uint8_t* pages, std::size_t count, page_sums* sums);

#endif
