// A page of the image compared with the listing line that stands for it: the reports that say
// which file to mend, and where, looking for a slip at each line of the image that differs.

#include "check/check_compare.h"

#include "check/check_pair.h"
#include "check/check_queue.h"
#include "check/check_slip.h"
#include "check/check_typed.h"
#include "check/check_view.h"

namespace {

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
        r.edits = find_edits(bytes, typed, address,
                             static_cast<std::uint8_t>(listing_value - image_value));
    }
    return r;
}

// Reports the image's lines of P that differ, in address order, looking for a slip at each:
// the slip when one was found, and the rest of the page is left to the image realigned. Without
// one, a page whose every line compared differs is one report, when `whole` allows it.
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

// Reports the image's lines of P that differ, in address order, looking at each for two typed
// lines exchanged (the lines after them fitting as they are), then for a slip: the slip when one
// was found, and the rest of the page is left to the image realigned. Without one, a page whose
// every line compared differs is one report, when `whole` allows it.
std::optional<found_slip> image_lines(check_state& c, const page_sums& page,
                                      const queued_line& line, const pair_result& r, bool whole) {
    const std::uint32_t base = page_address(page);
    unsigned pending[lines_per_page];
    unsigned n = 0;
    std::uint32_t differing = r.differing;
    bool explained = false;
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
        if (const auto shift = slip_at(c, page, line, r.listing_first, i)) {
            const unsigned at =
                earliest_slip(c, page, line, r.listing_first, pending, n, i, *shift);
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

// Reports the listing's lines that differ from P's, as one report when every line does.
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

// A page that holds more or fewer lines than its listing line may hold a slip: a line doubled,
// or left out, in a program of one page. Its lines are compared from the first on, and the lines
// that differ before the slip are the image's.
std::optional<found_slip> slip_of_lines(check_state& c, const page_sums& page,
                                        const queued_line& line, pair_result r) {
    r.differing = differing_lines(page, line.line, page.first, 0);
    r.listing_first = page.first;
    r.adds_up = adds_up(line.line, page_address(page), page.first);
    unsigned before[lines_per_page];
    unsigned n = 0;
    for (unsigned i = page.first; i < page.first + page.count && r.adds_up; ++i) {
        if ((r.differing >> i & 1) == 0) {
            continue;
        }
        if (const auto shift = slip_at(c, page, line, page.first, i)) {
            const unsigned at = earliest_slip(c, page, line, page.first, before, n, i, *shift);
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

// Reports what differs between P and L; the slip, when one was found.
std::optional<found_slip> report_pair(check_state& c, const page_sums& page,
                                      const queued_line& line, const pair_result& r) {
    const std::uint32_t base = page_address(page);
    const listing_line& l = line.line;
    switch (r.verdict) {
    case pair_verdict::same:
        break;
    case pair_verdict::image_wrong:
        return image_lines(c, page, line, r, true);
    case pair_verdict::listing_checksum:
        listing_lines(c, page, line, r, false);
        break;
    case pair_verdict::both_wrong:
        listing_lines(c, page, line, r, true);
        if (page.total != l.total) {
            report(c, listing_report(line, report_kind::page_total, base, page.total, l.total));
        }
        break;
    case pair_verdict::listing_total:
    case pair_verdict::total_only:
        report(c, listing_report(line, report_kind::page_total, base, page.total, l.total));
        break;
    case pair_verdict::partial_page:
        if (r.adds_up) {
            if (const auto slip = image_lines(c, page, line, r, true)) {
                return slip;
            }
        } else {
            listing_lines(c, page, line, r, true);
        }
        holds_lines(c, base, page.count);
        break;
    case pair_verdict::checksum_missing:
    case pair_verdict::checksum_extra: {
        const bool missing = r.verdict == pair_verdict::checksum_missing;
        const unsigned at = page.first + r.position; // past the page's lines when one too many
        check_report report_of = listing_report(
            line, missing ? report_kind::checksum_missing : report_kind::checksum_extra, base,
            missing ? page.line[at] : 0, missing ? 0 : l.checksum[r.position]);
        report_of.line_address = base + 8 * at;
        report(c, report_of);
        break;
    }
    case pair_verdict::checksums_exchanged: {
        // A slip that begins at the first of the two explains more than the two lines do. Two
        // typed lines exchanged would make the lines' data sums, not their checksums, change
        // places.
        if (const auto shift = slip_at(c, page, line, r.listing_first, r.position)) {
            return realign_at(c, page, r, r.position, *shift);
        }
        check_report exchanged = listing_report(line, report_kind::checksums_exchanged, base);
        exchanged.line_address = base + 8 * r.position;
        exchanged.other_address = base + 8 * r.other;
        report(c, exchanged);
        break;
    }
    case pair_verdict::counts_differ:
        if (const auto slip = slip_of_lines(c, page, line, r)) {
            return slip;
        }
        report(c, listing_report(line, report_kind::line_counts, base, page.count, l.count));
        break;
    }
    return std::nullopt;
}

// Lines that are not checksum lines between a page line and the next, which a slip's rest
// reaches past: each is reported as a line that the image lacks.
void pass_over_faulty_lines(check_state& c) {
    for (const queued_line* line = line_ahead(c, 0);
         line != nullptr && line->line.kind == line_kind::invalid; line = line_ahead(c, 0)) {
        report_faulty_line(c, *line);
    }
}

// A mistyped checksum or total, or one checksum left out or too many: the image may be right.
bool listing_alone(pair_verdict verdict) {
    return verdict == pair_verdict::listing_checksum || verdict == pair_verdict::listing_total ||
           verdict == pair_verdict::total_only || verdict == pair_verdict::checksum_missing ||
           verdict == pair_verdict::checksum_extra || verdict == pair_verdict::checksums_exchanged;
}

} // namespace

std::optional<found_slip> pair_differing(check_state& c, const page_sums& own,
                                         const queued_line& line) {
    const page_sums viewed = without_fill(c, own, line.line);
    const pair_result first = compare_pair(viewed, line.line);
    bool explained = false;
    const std::uint32_t lines =
        lines_explained(c, viewed, line.line, first.listing_first, explained);
    const page_sums page =
        lines != 0 ? with_listed_lines(viewed, line.line, first.listing_first, lines) : viewed;
    const pair_result r = lines != 0 ? compare_pair(page, line.line) : first;
    // Without the fill that is not the image's, the page may be its line.
    step(c, r.verdict != pair_verdict::same || explained || lines != 0);
    log_page(c.log, own, listed_as::own, &line.line, r.listing_first);
    const unsigned long long exchanges = c.exchanges;
    const auto slip = report_pair(c, page, line, r);
    // What the image's text explains needs no cause of a bad dump.
    c.image_suspect =
        c.image_suspect || (!explained && c.exchanges == exchanges && !listing_alone(r.verdict));
    if (!slip) {
        use_page(c);
        drop_line(c);
    }
    return slip;
}

step_result take_rest(check_state& c) {
    const page_sums* page = page_ahead(c, 0);
    if (page == nullptr && !c.image_ended) {
        return step_result{true, std::nullopt};
    }
    pass_over_faulty_lines(c);
    const queued_line* line = line_ahead(c, 0);
    if (page == nullptr || line == nullptr) {
        if (!c.rest.own_step && line != nullptr) {
            drop_line(c); // the page the slip began in is used up
        }
        c.rest.waiting = false;
        return step_result{false, std::nullopt};
    }
    if (page_ahead(c, slip_pages) == nullptr && !c.image_ended) {
        return step_result{true, std::nullopt}; // a slip test may look into the next pages
    }
    page_rest rest = c.rest;
    c.rest.waiting = false;
    if (rest.own_step) {
        step(c, true);
        rest.adds_up = adds_up(line->line, page_address(*page), 0);
        log_page(c.log, *page, listed_as::own, &line->line, 0);
    }
    pair_result r{pair_verdict::image_wrong,
                  rest.adds_up,
                  rest.listing_first,
                  differing_lines(*page, line->line, rest.listing_first, rest.from),
                  0,
                  0};
    if (rest.adds_up) {
        if (const auto slip = image_lines(c, *page, *line, r, false)) {
            if (!c.rest.own_step) { // another slip in the same page
                c.rest.partial = rest.partial;
                c.rest.held_before += rest.held_before;
            }
            return step_result{false, slip};
        }
    } else {
        listing_lines(c, *page, *line, r, false);
    }
    if (rest.partial && rest.held_before + page->count < lines_per_page) {
        holds_lines(c, page_address(*page), rest.held_before + page->count);
    }
    use_page(c);
    drop_line(c);
    return step_result{false, std::nullopt};
}
