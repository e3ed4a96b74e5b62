#include "check/slip.h"

#include "walk/page_sums.h"

namespace {

bool fits(const slip_lines& s, int shift) {
    for (unsigned m = 0; m < 4; ++m) {
        if ((s.listed >> m & 1) == 0) {
            continue;
        }
        const std::size_t from = static_cast<std::size_t>(slip_most + shift) + line_size * m;
        if (from + 8 > s.held) {
            return false; // the image ends, or has a hole, before the line does
        }
        const std::uint32_t address = s.at + 8 * m;
        unsigned sum = (address >> 8) + address;
        for (std::size_t i = from; i < from + 8; ++i) {
            sum += s.bytes[i];
        }
        if (static_cast<std::uint8_t>(sum) != s.want[m]) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<int> find_shift(const slip_lines& lines) {
    if (lines.listed == 0) {
        return std::nullopt;
    }
    if (fits(lines, 0)) {
        return 0;
    }
    for (int k = 1; k <= slip_most; ++k) {
        if (fits(lines, k)) {
            return k;
        }
        if (fits(lines, -k)) {
            return -k;
        }
    }
    return std::nullopt;
}
