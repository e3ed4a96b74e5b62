#include "listing.h"

#include "page_sums.h"
#include "page_text.h"

#include <cstring>

listing_status list_page_checksums(std::FILE* in, std::uint32_t start, std::FILE* out) {
    std::uint8_t block[page_size];
    char text[page_text_max];
    std::uint32_t address = start;
    for (;;) {
        const std::size_t offset = address & 0xFFu;
        // A first line that starts before the start address counts its missing bytes as zero.
        std::memset(block, 0, offset);
        const std::size_t n = std::fread(block + offset, 1, page_size - offset, in);
        if (std::ferror(in) != 0) {
            return listing_status::read_failed;
        }
        if (n == 0) {
            return listing_status::complete;
        }
        const page_sums sums = sum_page(block, address, n);
        const std::size_t length = format_page(sums, text);
        if (std::fwrite(text, 1, length, out) != length) {
            return listing_status::write_failed;
        }
        address = sums.next_address;
    }
}
