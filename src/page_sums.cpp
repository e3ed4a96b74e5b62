#include "page_sums.h"

page_sums sum_page(const std::uint8_t (&block)[page_size], std::uint32_t address, std::size_t n) {
    const unsigned offset = address & 0xFFu;
    const std::uint32_t page_base = address - offset;
    page_sums sums{};
    sums.first = offset / line_size;
    sums.count = static_cast<unsigned>((offset + n) / line_size) - sums.first;
    sums.next_address = sums.count == 0 ? address : page_base + 8u * (sums.first + sums.count);

    const std::uint32_t page_seed = (page_base >> 8) & 0xFFu;
    std::uint32_t total = 0;
    for (unsigned i = sums.first; i < sums.first + sums.count; ++i) {
        std::uint32_t data = 0;
        for (std::size_t j = 0; j < line_size; ++j) {
            data += block[i * line_size + j];
        }
        sums.line[i] = static_cast<std::uint8_t>((page_seed + i * line_size + data) & 0xFFu);
        total += data;
    }
    sums.total = static_cast<std::uint8_t>(total & 0xFFu);
    return sums;
}
