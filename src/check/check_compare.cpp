#include "check/check_compare.h"

#include "check/check_lines.h"
#include "check/check_pair.h"
#include "check/check_queue.h"
#include "check/check_view.h"

namespace {

// L is P but for one checksum left out, or one too many.
void checksum_off(check_state& c, const page_sums& page, const queued_line& line,
                  const pair_result& r) {
    const bool missing = r.verdict == pair_verdict::checksum_missing;
    const unsigned at = page.first + r.position; // past the page's lines when one too many
    check_report off =
        listing_report(line, missing ? report_kind::checksum_missing : report_kind::checksum_extra,
                       page_address(page), missing ? page.line[at] : 0,
                       missing ? 0 : line.line.checksum[r.position]);
    off.line_address = page_address(page) + 8 * at;
    report(c, off);
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
    case pair_verdict::checksum_extra:
        checksum_off(c, page, line, r);
        break;
    case pair_verdict::checksums_exchanged:
        return checksums_exchanged(c, page, line, r);
    case pair_verdict::counts_differ:
        if (const auto slip = slip_of_lines(c, page, line, r)) {
            return slip;
        }
        // A line that adds up is the page as published: the image holds lines too many or
        // too few.
        if (adds_up(l, base, page.first)) {
            image_line_counts(c, page, line);
        } else {
            report(c, listing_report(line, report_kind::line_counts, base, page.count, l.count));
        }
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
