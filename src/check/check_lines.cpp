#include "check/check_lines.h"

#include "check/check_pair.h"
#include "check/check_queue.h"
#include "check/check_slip.h"
#include "check/check_typed.h"

namespace {

// Bit i set when the image's byte at its own `address` + i holds a character that was no digit.
// The notes are in address order from the start; those of the line are found by halving.
unsigned marked_bytes(const check_state& c, std::uint32_t address) {
    const image_text& text = c.options.text;
    std::size_t low = 0;
    std::size_t high = text.note_count;
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        const bool before = text.notes[mid].address - c.start < address - c.start;
        low = before ? mid + 1 : low;
        high = before ? high : mid;
    }
    unsigned marked = 0;
    for (std::size_t i = low; i < text.note_count && text.notes[i].address - address < line_size;
         ++i) {
        const bool character = text.notes[i].kind == note_kind::bad_character;
        marked |= character ? 1u << (text.notes[i].address - address) : 0;
    }
    return marked;
}

// The report of one line of the image; for a typed image, with the edits of its digits that fit.
check_report line_report(const check_state& c, std::uint32_t address, std::uint8_t image_value,
                         std::uint8_t listing_value) {
    check_report r =
        image_report(c, report_kind::line_checksum, address, image_value, listing_value);
    std::uint8_t bytes[line_size];
    if (c.options.hints &&
        recall_bytes(c.history, r.image_address, bytes, line_size) == line_size) {
        unsigned typed = 0;
        for (unsigned i = 0; i < line_size; ++i) {
            typed |= from_file(c, r.image_address + i) ? 1u << i : 0;
        }
        r.edits = find_edits(bytes, typed, marked_bytes(c, r.image_address), address,
                             static_cast<std::uint8_t>(listing_value - image_value));
    }
    return r;
}

// Reports the image's lines of P at the indexes `lines`, `n` of them.
void report_lines(check_state& c, const page_sums& page, const queued_line& line,
                  const pair_result& r, const unsigned* lines, unsigned n) {
    const std::uint32_t base = page_address(page);
    c.image_lines_differing += n;
    for (unsigned k = 0; k < n; ++k) {
        const unsigned at = lines[k];
        report(c, line_report(c, base + 8 * at, page.line[at],
                              line.line.checksum[at - r.listing_first]));
    }
}

// Reports two typed lines exchanged; the lines they touch, here and in the next page, are not
// reported, nor compared again. Returns the lines of P they touch.
std::uint32_t report_exchange(check_state& c, const page_sums& page, const exchange& e) {
    const std::uint32_t base = page_address(page);
    const std::uint32_t shift = own_address(c, base) - base;
    check_report r = image_report(c, report_kind::typed_lines_exchanged, e.first.from - shift);
    r.number = e.first.number;
    r.count = e.second.number;
    report(c, r);
    c.explained_from = e.from + shift;
    c.explained_end = e.end + shift;
    ++c.exchanges;
    std::uint32_t lines = 0;
    for (std::uint32_t at = e.from; at != e.end; at += line_size) {
        lines |= at - base < page_size ? std::uint32_t{1} << ((at - base) / line_size) : 0;
    }
    return lines;
}

} // namespace

std::optional<found_slip> image_lines(check_state& c, const page_sums& page,
                                      const queued_line& line, const pair_result& r, bool whole) {
    const std::uint32_t base = page_address(page);
    unsigned pending[lines_per_page];
    unsigned n = 0;
    std::uint32_t differing = r.differing;
    bool explained = false;
    std::optional<listed_after> listed;
    for (unsigned i = 0; i < lines_per_page; ++i) {
        if ((differing >> i & 1) == 0) {
            continue;
        }
        if (const auto swapped = find_exchange(c, page, line, r.listing_first, i)) {
            report_lines(c, page, line, r, pending, n);
            n = 0;
            differing &= ~report_exchange(c, page, *swapped);
            explained = true;
            continue;
        }
        if (!listed) {
            listed = lines_listed(c, page, line, r.listing_first);
        }
        if (const auto shift = slip_at(c, page, *listed, i)) {
            const unsigned at = earliest_slip(c, page, *listed, pending, n, i, *shift);
            unsigned before = 0;
            while (before < n && pending[before] < at) {
                ++before;
            }
            report_lines(c, page, line, r, pending, before);
            return realign_at(c, page, r, at, *shift);
        }
        pending[n++] = i;
    }
    if (whole && !explained && n >= 2 && n == page.count) {
        c.image_lines_differing += n;
        report(c, image_report(c, report_kind::all_lines, base, n));
        return std::nullopt;
    }
    report_lines(c, page, line, r, pending, n);
    return std::nullopt;
}

void listing_lines(check_state& c, const page_sums& page, const queued_line& line,
                   const pair_result& r, bool whole) {
    const std::uint32_t base = page_address(page);
    const unsigned n = count_bits(r.differing);
    if (whole && n >= 2 && n == page.count) {
        report(c, listing_report(line, report_kind::all_lines, base, n));
        return;
    }
    for (unsigned i = 0; i < lines_per_page; ++i) {
        if ((r.differing >> i & 1) != 0) {
            report(c, listing_report(line, report_kind::line_checksum, base + 8 * i, page.line[i],
                                     line.line.checksum[i - r.listing_first]));
        }
    }
}

void holds_lines(check_state& c, std::uint32_t page, unsigned count) {
    report(c, image_report(c, report_kind::holds_lines, page, count));
}

std::optional<found_slip> slip_of_lines(check_state& c, const page_sums& page,
                                        const queued_line& line, pair_result r) {
    r.differing = differing_lines(page, line.line, page.first, 0);
    r.listing_first = page.first;
    r.adds_up = adds_up(line.line, page_address(page), page.first);
    unsigned before[lines_per_page];
    unsigned n = 0;
    std::optional<listed_after> listed;
    for (unsigned i = page.first; i < page.first + page.count && r.adds_up; ++i) {
        if ((r.differing >> i & 1) == 0) {
            continue;
        }
        if (!listed) {
            listed = lines_listed(c, page, line, page.first);
        }
        if (const auto shift = slip_at(c, page, *listed, i)) {
            const unsigned at = earliest_slip(c, page, *listed, before, n, i, *shift);
            unsigned k = 0;
            while (k < n && before[k] < at) {
                ++k;
            }
            report_lines(c, page, line, r, before, k);
            return realign_at(c, page, r, at, *shift);
        }
        before[n++] = i;
    }
    return std::nullopt;
}

void image_line_counts(check_state& c, const page_sums& page, const queued_line& line) {
    const std::uint32_t base = page_address(page);
    const unsigned end = page.first + page.count;
    const unsigned shorter = page.first + std::min<unsigned>(page.count, line.line.count);
    unsigned i = page.first;
    while (i < shorter && page.line[i] == line.line.checksum[i - page.first]) {
        ++i;
    }
    // Past the image's lines, the line it ends in names the text; else its last whole line.
    unsigned held = 0;
    for (unsigned k = 0; i >= end && k < line_size; ++k) {
        held += from_file(c, own_address(c, base + 8 * i + k)) ? 1 : 0;
    }
    if (i >= end && held == 0 && page.count > 0) {
        i = end - 1;
    }
    ++c.image_lines_differing;
    report(c, image_report(c, report_kind::line_counts, base + 8 * i, page.count, line.line.count));
}

std::optional<found_slip> checksums_exchanged(check_state& c, const page_sums& page,
                                              const queued_line& line, const pair_result& r) {
    // A slip that begins at the first of the two explains more than the two lines do. Two typed
    // lines exchanged would make the lines' data sums, not their checksums, change places.
    const listed_after listed = lines_listed(c, page, line, r.listing_first);
    if (const auto shift = slip_at(c, page, listed, r.position)) {
        return realign_at(c, page, r, r.position, *shift);
    }
    const std::uint32_t base = page_address(page);
    check_report exchanged = listing_report(line, report_kind::checksums_exchanged, base);
    exchanged.line_address = base + 8 * r.position;
    exchanged.other_address = base + 8 * r.other;
    report(c, exchanged);
    return std::nullopt;
}
