#include "check/check_slip.h"

#include "check/check_queue.h"

#include <algorithm>
#include <cstring>

namespace {

// The lines of the table from line `a` of P on (a < lines_per_page), as a slip test at it looks
// at them, taken as one run of checksums and of bits rather than line by line (a check of 16 MiB
// whose every page differs measured 1.3 times as fast so). A checksum not listed is 0 in both.
void listed_from(const listed_after& listed, unsigned a, slip_lines& s) {
    std::memcpy(s.want, listed.want + a, sizeof s.want);
    const std::uint64_t high = a == 0 ? 0 : listed.listed[1] << (64 - a);
    s.listed = (listed.listed[0] >> a | high) & ((std::uint64_t{1} << slip_lines_seen) - 1);
    s.listing_ends = listed.listing_ends;
    s.listing_end = listed.listing_end;
}

// The length of the typed line that holds the image's byte at its own `address`; 0 when the
// image is not text, or the line is longer than a slip of whole lines.
unsigned typed_length(const check_state& c, std::uint32_t address) {
    const image_text& text = c.options.text;
    const unsigned long long number =
        text.text_line == nullptr ? 0 : text.text_line(text.state, address);
    if (number == 0) {
        return 0;
    }
    unsigned length = 1;
    for (std::uint32_t at = address - 1;
         length <= slip_lines_most && text.text_line(text.state, at) == number; --at) {
        ++length;
    }
    for (std::uint32_t at = address + 1;
         length <= slip_lines_most && text.text_line(text.state, at) == number; ++at) {
        ++length;
    }
    return length <= slip_lines_most ? length : 0;
}

// The image's bytes from P's first up to B count for what the image shows; the image realigned
// from B gives the rest.
void use_bytes_before(check_state& c, const page_sums& page, std::uint32_t b) {
    const std::uint32_t first = page_address(page) + page.from;
    std::uint8_t bytes[4 * page_size];
    page_sums part{};
    part.bytes = static_cast<unsigned>(recall_bytes(
        c.history, own_address(c, first), bytes, std::min<std::size_t>(b - first, sizeof bytes)));
    if (part.bytes > 0) {
        page_bits(bytes, part.bytes, part);
        add_traits(c.used, part);
    }
}

// The lines from line `i` of P on, for a slip test.
slip_lines slip_test(check_state& c, const page_sums& page, const listed_after& listed, unsigned i,
                     std::uint8_t* bytes) {
    slip_lines s{};
    s.at = page_address(page) + 8 * i;
    listed_from(listed, i, s);
    const std::uint32_t from = own_address(c, s.at + 8);
    const std::size_t held = recall_bytes(c.history, from, bytes, slip_window);
    s.held = from_file_run(c, from, held); // up to a hole's fill, if any
    s.bytes = bytes;
    s.image_ends = c.image_ended && s.held == held && held < slip_window;
    const unsigned here = typed_length(c, from - 8);
    s.typed[0] = here;
    s.typed[1] = here > 0 ? typed_length(c, from - 9) : 0;
    s.typed_image = c.options.text.text_line != nullptr;
    return s;
}

} // namespace

listed_after lines_listed(check_state& c, const page_sums& page, const queued_line& line,
                          unsigned listing_first) {
    listed_after listed{};
    const std::uint32_t base = page_address(page);
    const listing_line* holder = &line.line;
    unsigned first = listing_first;
    for (unsigned k = 0; holder != nullptr; ++k) {
        const std::uint32_t page_base = base + k * std::uint32_t{page_size};
        for (unsigned i = first; i < first + holder->count && i < lines_per_page; ++i) {
            const unsigned j = k * lines_per_page + i;
            if (j < sizeof listed.want) {
                listed.want[j] = holder->checksum[i - first];
                listed.listed[j / 64] |= std::uint64_t{1} << (j % 64);
            }
        }
        const queued_line* next_line = page_line_ahead(c, k + 1);
        const page_sums* next_page = page_ahead(c, k + 1);
        if (next_line == nullptr && !c.listing.failed) {
            listed.listing_ends = true;
            listed.listing_end = page_base + 8 * (first + holder->count);
        }
        // Past the image's end, the listing's next page line is taken as the next page's.
        const bool next_here = next_page != nullptr
                                   ? page_address(*next_page) - page_base == page_size
                                   : c.image_ended;
        const bool goes_on = next_line != nullptr && next_here && k < 3;
        holder = goes_on ? &next_line->line : nullptr;
        first = 0;
    }
    return listed;
}

std::optional<int> slip_at(check_state& c, const page_sums& page, const listed_after& listed,
                           unsigned i) {
    std::uint8_t bytes[slip_window];
    const auto shift = find_shift(slip_test(c, page, listed, i, bytes));
    return shift && *shift != 0 ? shift : std::nullopt;
}

bool slip_fits_at(check_state& c, const page_sums& page, const listed_after& listed, unsigned i,
                  int shift) {
    std::uint8_t bytes[slip_window];
    return shift_fits(slip_test(c, page, listed, i, bytes), shift);
}

unsigned earliest_slip(check_state& c, const page_sums& page, const listed_after& listed,
                       const unsigned* lines, unsigned n, unsigned i, int shift) {
    for (unsigned k = 0; k < n; ++k) {
        if (slip_fits_at(c, page, listed, lines[k], shift)) {
            return lines[k];
        }
    }
    return i;
}

found_slip realign_at(check_state& c, const page_sums& page, const pair_result& r, unsigned i,
                      int shift) {
    const std::uint32_t base = page_address(page);
    const std::uint32_t a = base + 8 * i;
    const std::uint32_t b = slip_resumes(a, shift);
    const unsigned k = static_cast<unsigned>(shift < 0 ? -shift : shift);
    report(c, image_report(c, shift > 0 ? report_kind::bytes_too_many : report_kind::bytes_missing,
                           a, k));
    use_bytes_before(c, page, b);
    const found_slip slip{b, own_address(c, b) - b + static_cast<std::uint32_t>(shift)};
    const bool partial = r.verdict == pair_verdict::partial_page;
    const unsigned from = (b & 0xFFu) / line_size;
    const std::uint32_t pages_on = (b - base) / page_size;
    if (pages_on == 0) {
        const unsigned before = from - page.first;
        c.rest = page_rest{true, false, partial, from, r.listing_first, before, r.adds_up};
    } else {
        drop_line(c);
        for (std::uint32_t passed = 1; passed < pages_on && line_ahead(c, 0) != nullptr; ++passed) {
            step(c, true); // a page the slip lies across
            drop_line(c);
        }
        c.rest = page_rest{from > 0, true, false, from, 0, 0, false};
    }
    drop_pages(c);
    c.next_page = b & ~std::uint32_t{0xFF}; // the image realigned goes on from B's page
    return slip;
}
