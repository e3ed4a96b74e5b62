#include "check/check_slip.h"

#include "check/check_queue.h"
#include "check/slip.h"

#include <algorithm>

namespace {

// The listing's checksum of the line at index `i` of the page P at `base` (line L) or of the
// page after it (the next page line, when the image goes on into that page); false when the
// listing holds none.
bool listed_checksum(check_state& c, const queued_line& line, unsigned listing_first,
                     std::uint32_t base, unsigned i, std::uint8_t& checksum) {
    const listing_line* holder = &line.line;
    if (i >= lines_per_page) {
        const page_sums* next = page_ahead(c, 1);
        const queued_line* after = next_page_line(c);
        const std::uint32_t next_page = base + std::uint32_t{page_size}; // 0 after the last
        if (next == nullptr || page_address(*next) != next_page || after == nullptr ||
            after->line.kind != line_kind::page) {
            return false;
        }
        holder = &after->line;
        i -= lines_per_page;
        listing_first = 0;
    }
    if (i < listing_first || i - listing_first >= holder->count) {
        return false;
    }
    checksum = holder->checksum[i - listing_first];
    return true;
}

// The image's bytes from P's first up to B count for what the image shows; the image realigned
// from B gives the rest.
void use_bytes_before(check_state& c, const page_sums& page, std::uint32_t b) {
    const std::uint32_t first = page_address(page) + page.from;
    std::uint8_t bytes[2 * page_size];
    page_sums part{};
    part.bytes = static_cast<unsigned>(recall_bytes(
        c.history, own_address(c, first), bytes, std::min<std::size_t>(b - first, sizeof bytes)));
    if (part.bytes > 0) {
        page_bits(bytes, part.bytes, part);
        add_traits(c.used, part);
    }
}

} // namespace

std::optional<int> slip_at(check_state& c, const page_sums& page, const queued_line& line,
                           unsigned listing_first, unsigned i) {
    const std::uint32_t base = page_address(page);
    slip_lines s{};
    s.at = base + 8 * (i + 3);
    for (unsigned m = 0; m < 4; ++m) {
        if (listed_checksum(c, line, listing_first, base, i + 3 + m, s.want[m])) {
            s.listed |= 1u << m;
        }
    }
    std::uint8_t bytes[64];
    const std::uint32_t from = own_address(c, s.at - slip_most);
    const std::size_t held = recall_bytes(c.history, from, bytes, sizeof bytes);
    s.held = 0; // up to a hole's fill, if any
    while (s.held < held && from_file(c, from + static_cast<std::uint32_t>(s.held))) {
        ++s.held;
    }
    s.bytes = bytes;
    const auto shift = find_shift(s);
    return shift && *shift != 0 ? shift : std::nullopt;
}

found_slip realign_at(check_state& c, const page_sums& page, const pair_result& r, unsigned i,
                      int shift) {
    const std::uint32_t base = page_address(page);
    const std::uint32_t a = base + 8 * i;
    const std::uint32_t b = a + 24;
    const unsigned k = static_cast<unsigned>(shift < 0 ? -shift : shift);
    report(c, image_report(c, shift > 0 ? report_kind::bytes_too_many : report_kind::bytes_missing,
                           a, k));
    use_bytes_before(c, page, b);
    const found_slip slip{b, own_address(c, b) - b + static_cast<std::uint32_t>(shift)};
    const bool partial = r.verdict == pair_verdict::partial_page;
    const unsigned from = (b & 0xFFu) / line_size;
    if (b - base < page_size) {
        const unsigned before = from - page.first;
        c.rest = page_rest{true, false, partial, from, r.listing_first, before, r.adds_up};
    } else {
        drop_line(c);
        c.rest = page_rest{from > 0, true, false, from, 0, 0, false};
    }
    drop_pages(c);
    return slip;
}
