#include "check/check_pair.h"

#include <algorithm>

namespace {

// The first position of the longer list whose checksum left out makes the rest the shorter
// list; -1 when none does. Within a run of equal checksums, leaving out any is the same.
int left_out(const std::uint8_t* longer, const std::uint8_t* shorter, unsigned short_count) {
    unsigned i = 0;
    while (i < short_count && longer[i] == shorter[i]) {
        ++i;
    }
    if (!std::equal(shorter + i, shorter + short_count, longer + i + 1)) {
        return -1;
    }
    while (i > 0 && longer[i - 1] == longer[i]) {
        --i;
    }
    return static_cast<int>(i);
}

// A listing line of one checksum fewer or more than the page's K >= 2, with the page's total.
bool one_checksum_off(const page_sums& page, const listing_line& line, pair_result& r) {
    const std::uint8_t* lines = page.line + page.first;
    const bool missing = line.count + 1 == page.count;
    if (page.count < 2 || line.total != page.total || (!missing && line.count != page.count + 1)) {
        return false;
    }
    const int at = missing ? left_out(lines, line.checksum, line.count)
                           : left_out(line.checksum, lines, page.count);
    if (at < 0) {
        return false;
    }
    r.verdict = missing ? pair_verdict::checksum_missing : pair_verdict::checksum_extra;
    r.position = static_cast<unsigned>(at);
    return true;
}

// Two lines differ, each holding the other's checksum in the listing: a sum cannot tell them,
// and an image with two lines exchanged would hold their data sums, not their checksums, since
// the lines' seeds differ.
bool exchanged(const page_sums& page, const listing_line& line, pair_result& r) {
    if (count_bits(r.differing) != 2) {
        return false;
    }
    unsigned at[2];
    unsigned n = 0;
    for (unsigned i = 0; i < lines_per_page && n < 2; ++i) {
        if ((r.differing >> i & 1) != 0) {
            at[n++] = i;
        }
    }
    const unsigned first = r.listing_first;
    if (page.line[at[0]] != line.checksum[at[1] - first] ||
        page.line[at[1]] != line.checksum[at[0] - first]) {
        return false;
    }
    r.position = at[0];
    r.other = at[1];
    return true;
}

} // namespace

unsigned count_bits(std::uint32_t bits) {
    unsigned n = 0;
    for (; bits != 0; bits &= bits - 1) {
        ++n;
    }
    return n;
}

std::uint8_t line_seed(std::uint32_t address) {
    return static_cast<std::uint8_t>((address >> 8) + address);
}

bool adds_up(const listing_line& line, std::uint32_t page, unsigned first) {
    unsigned sum = 0;
    for (unsigned i = 0; i < line.count; ++i) {
        sum += line.checksum[i] - line_seed(page + 8u * (first + i));
    }
    return static_cast<std::uint8_t>(sum) == line.total;
}

std::uint32_t differing_lines(const page_sums& page, const listing_line& line,
                              unsigned listing_first, unsigned from) {
    std::uint32_t differing = 0;
    const unsigned end = std::min(page.first + page.count, listing_first + line.count);
    for (unsigned i = std::max({page.first, listing_first, from}); i < end; ++i) {
        if (page.line[i] != line.checksum[i - listing_first]) {
            differing |= std::uint32_t{1} << i;
        }
    }
    return differing;
}

pair_result compare_pair(const page_sums& page, const listing_line& line) {
    const std::uint32_t address = page_address(page);
    pair_result r{pair_verdict::same, false, page.first, 0, 0, 0};
    if (line.count == 0) {
        r.verdict = page.total == line.total ? pair_verdict::same : pair_verdict::total_only;
        return r;
    }
    if (line.count == lines_per_page && page.count < lines_per_page) {
        r.listing_first = 0;
        r.adds_up = adds_up(line, address, 0);
        r.differing = differing_lines(page, line, 0, 0);
        r.verdict = pair_verdict::partial_page;
        return r;
    }
    if (line.count != page.count) {
        if (!one_checksum_off(page, line, r)) {
            r.verdict = pair_verdict::counts_differ;
        }
        return r;
    }
    r.adds_up = adds_up(line, address, page.first);
    r.differing = differing_lines(page, line, page.first, 0);
    const bool totals_agree = page.total == line.total;
    if (r.differing == 0 && totals_agree) {
        r.verdict = pair_verdict::same;
    } else if (r.adds_up) {
        r.verdict = exchanged(page, line, r) ? pair_verdict::checksums_exchanged
                                             : pair_verdict::image_wrong;
    } else if (count_bits(r.differing) == 1 && totals_agree) {
        r.verdict = pair_verdict::listing_checksum;
    } else if (r.differing == 0) {
        r.verdict = pair_verdict::listing_total;
    } else {
        r.verdict = pair_verdict::both_wrong;
    }
    return r;
}

namespace {

// Each hexadecimal digit's look-alikes, as a set of digits.
constexpr std::uint16_t look_alikes[16] = {
    1u << 0x8 | 1u << 0xD,             // 0
    1u << 0x7,                         // 1
    0,                                 // 2
    1u << 0x8,                         // 3
    0,                                 // 4
    1u << 0x6,                         // 5
    1u << 0x5 | 1u << 0xB,             // 6
    1u << 0x1,                         // 7
    1u << 0x0 | 1u << 0x3 | 1u << 0xB, // 8
    0,                                 // 9
    0,                                 // A
    1u << 0x6 | 1u << 0x8,             // B
    1u << 0xE,                         // C
    1u << 0x0,                         // D
    1u << 0xC | 1u << 0xF,             // E
    1u << 0xE,                         // F
};

// Whether `value` is one edit of `typed`: a digit for its look-alike, or the two exchanged.
bool one_edit(std::uint8_t typed, std::uint8_t value) {
    const unsigned high = typed >> 4;
    const unsigned low = typed & 0xFu;
    const unsigned new_high = value >> 4;
    const unsigned new_low = value & 0xFu;
    return (new_low == low && (look_alikes[high] >> new_high & 1) != 0) ||
           (new_high == high && (look_alikes[low] >> new_low & 1) != 0) ||
           (high != low && new_high == low && new_low == high);
}

} // namespace

digit_edits find_edits(const std::uint8_t* bytes, unsigned typed, unsigned marked,
                       std::uint32_t address, std::uint8_t difference) {
    // One value of a byte adds `difference`: each byte has one edit that fits at most.
    digit_edits found{};
    unsigned fitting = 0;
    for (unsigned pass = 0; pass < 2; ++pass) {
        const unsigned bytes_of_pass = pass == 0 ? typed & marked : typed & ~marked;
        for (unsigned i = 0; i < line_size; ++i) {
            const auto value = static_cast<std::uint8_t>(bytes[i] + difference);
            if ((bytes_of_pass >> i & 1) == 0 || !one_edit(bytes[i], value)) {
                continue;
            }
            if (fitting < 3) {
                found.edit[fitting] = digit_edit{address + i, value, bytes[i]};
            }
            ++fitting;
        }
    }
    found.count = fitting <= 3 ? fitting : 0;
    return found;
}
