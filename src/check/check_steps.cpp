// The stepping rules: which page of the image and which line of the listing stand for each
// other, when one side has a page that the other lacks.

#include "check/check_steps.h"

#include "check/check_compare.h"
#include "check/check_pair.h"
#include "check/check_queue.h"
#include "check/check_start.h"
#include "check/check_unpaired.h"
#include "check/check_view.h"
#include "text/characters.h"

namespace {

enum class label_names { this_page, a_later_page, a_passed_page };

// A label of k digits names the page LABEL >> 8 among the 16^k / 256 pages of its width; the
// page at `address` is (address >> 8) among them. Up to half of them ahead is a later page.
label_names judge_label(const char* label, std::uint32_t address) {
    std::uint32_t value = 0;
    std::uint32_t pages = 1;
    for (std::size_t i = 0; label[i] != '\0'; ++i) {
        value = value << 4 | static_cast<std::uint32_t>(hex_digit_value(label[i]));
        pages <<= i >= 2 ? 4 : 0; // 16^k / 256 at the end
    }
    const std::uint32_t ahead = ((value >> 8) - (address >> 8)) & (pages - 1);
    return ahead == 0          ? label_names::this_page
           : ahead < pages / 2 ? label_names::a_later_page
                               : label_names::a_passed_page;
}

// P and L stand for each other: they match, or every difference is reported. A label that
// names another page is reported too, when it is all that differs.
std::optional<found_slip> pair(check_state& c, const page_sums& page, const queued_line& line) {
    // A line of the page total alone matches a page of that total; only exactly alike decides
    // the steps, as a ": 00" stands for a page that holds no whole line.
    const bool totals_alike = line.line.count == 0 && page.total == line.line.total;
    if (!same_page(page, line.line) && !totals_alike) {
        return pair_differing(c, page, line);
    }
    const bool mislabelled =
        line.line.label[0] != '\0' &&
        judge_label(line.line.label, page_address(page)) != label_names::this_page;
    if (mislabelled) {
        check_report r = listing_report(line, report_kind::label_reads, page_address(page));
        r.text = line.line.label;
        report(c, r);
    }
    const bool noted = report_notes_before(c, own_address(c, page_address(page)) + page_size);
    step(c, mislabelled || noted);
    log_page(c.log, page, totals_alike ? listed_as::own : listed_as::same, &line.line, page.first);
    use_page(c);
    drop_line(c);
    return std::nullopt;
}

// L is not a checksum line: it is reported, and stands for P unless the next page line is P.
void not_a_checksum_line(check_state& c, const queued_line& line) {
    report_faulty_line(c, line);
    ++c.claims;
}

// The next page line L is known now: the lines reported before it that stand for a page use
// up P, until P is L.
void settle_claim(check_state& c, const page_sums* page, const queued_line* line) {
    if (page == nullptr || (line != nullptr && same_page(*page, line->line))) {
        c.claims = 0;
    } else {
        log_page(c.log, *page, listed_as::none);
        use_page(c);
        --c.claims;
    }
}

std::optional<found_slip> follow_label(check_state& c, const page_sums& page,
                                       const queued_line& line) {
    switch (judge_label(line.line.label, page_address(page))) {
    case label_names::this_page:
        return pair(c, page, line);
    case label_names::a_later_page:
        page_not_in_listing(c, page, &line);
        break;
    case label_names::a_passed_page:
        page_not_in_image(c, line);
        break;
    }
    return std::nullopt;
}

// Whether L is the line of the first page that the walk of a text image passed over before P, in
// a hole: its label names one of those pages, or without one, L is not P's line.
bool line_of_passed_page(const check_state& c, const page_sums& page, const queued_line& line) {
    const std::uint32_t passed = c.next_page;
    const std::uint32_t ahead = page_address(page) - passed;
    if (!c.page_used || ahead == 0 || ahead >= 0x80000000u || !in_hole(c, passed)) {
        return false;
    }
    if (line.line.label[0] != '\0') {
        return judge_label(line.line.label, page_address(page)) == label_names::a_passed_page &&
               judge_label(line.line.label, passed - page_size) == label_names::a_later_page;
    }
    return !fits_past_fill(c, page, line.line);
}

// L is the line of a page in a hole that the walk passed over: the hole's one report stands for
// it, a step that differs.
void line_in_hole(check_state& c) {
    report_passed_hole(c, c.next_page);
    step(c, true);
    drop_line(c);
    c.next_page += page_size;
}

// Whether L stands for P but for one line checksum, by a typo of the image: the same lines, all
// but one alike, and L adds up.
bool but_one_line(const page_sums& page, const listing_line& line) {
    return page.count == line.count && line.count > 0 &&
           count_bits(differing_lines(page, line, page.first, 0)) == 1 &&
           adds_up(line, page_address(page), page.first);
}

// Whether L stands for P, exactly or but for one line that the image has wrong.
bool stands_for(const page_sums& page, const listing_line& line) {
    return same_page(page, line) || but_one_line(page, line);
}

// Whether L is P but for one line checksum, and perhaps the total.
bool one_line_off(const page_sums& page, const listing_line& line) {
    return page.count == line.count && line.count > 0 &&
           count_bits(differing_lines(page, line, page.first, 0)) == 1;
}

// Whether L is P but for one line checksum, by a typo of either file: the image's (L adds up)
// or the listing's (L's total is P's). One mistake here explains L better than a page skipped
// and a typo in the next, which L may seem to hold by chance.
bool one_typo_from(const page_sums& page, const listing_line& line) {
    return one_line_off(page, line) &&
           (page.total == line.total || adds_up(line, page_address(page), page.first));
}

// Whether L is P but for one typo of the listing: its total, or a checksum left out or one too
// many. One mistake, where the page after P, which L may seem to be but for a line of the image,
// would be two.
bool listing_typo_from(const page_sums& page, const listing_line& line) {
    const pair_verdict verdict = compare_pair(page, line).verdict;
    return verdict == pair_verdict::listing_total || verdict == pair_verdict::checksum_missing ||
           verdict == pair_verdict::checksum_extra;
}

// Whether L, which is not P, is the page Q after it rather than P mistyped: Q exactly, or Q but
// for a typo of the image when L is more than one line off P. A line one off each stays with P:
// a page skipped and a typo of the next are two mistakes, where a line mistyped is one.
bool rather_next(const page_sums& page, const page_sums& next, const listing_line& line) {
    return same_page(next, line) || (!one_line_off(page, line) && but_one_line(next, line));
}

// Whether L and the line after it are P and the next page the other way round: their labels, if
// any, go with them.
bool exchanged_with_next(check_state& c, const page_sums& page, const queued_line& line) {
    const page_sums* next = page_ahead(c, 1);
    const queued_line* after = line_ahead(c, 1);
    return next != nullptr && after != nullptr && after->line.kind == line_kind::page &&
           same_page(page, after->line) && same_page(*next, line.line);
}

// Without a label: the listing skips P when L is the next page, and L is a line too many when the
// next page line is P; the page that L or the next page line is may hold a typo of its own.
std::optional<found_slip> judge_unlabelled(check_state& c, const page_sums& page,
                                           const queued_line& line) {
    const page_sums* next = page_ahead(c, 1);
    const bool typo_here = one_typo_from(page, line.line) || listing_typo_from(page, line.line);
    if (next != nullptr && !typo_here && rather_next(page, *next, line.line)) {
        page_not_in_listing(c, page, &line);
        return std::nullopt;
    }
    const queued_line* ahead = next_page_line(c);
    if (ahead == nullptr && c.listing.failed) {
        c.end = check_end::listing_failed;
    } else if (ahead != nullptr && !typo_here && stands_for(page, ahead->line)) {
        page_not_in_image(c, line);
    } else {
        return pair(c, page, line);
    }
    return std::nullopt;
}

// One step of the rules for the page P and the listing line L ahead (either may be missing once
// its side has ended). It waits for the next page, which a page that differs needs: to stay in
// step, and to look for a slip.
step_result take_step(check_state& c, const page_sums* page, const queued_line* line) {
    if (c.rest.waiting) {
        return take_rest(c);
    }
    if (line != nullptr && line->line.kind == line_kind::invalid) {
        not_a_checksum_line(c, *line);
    } else if (c.claims > 0) {
        settle_claim(c, page, line);
    } else if (line == nullptr || page == nullptr) {
        one_side_ended(c, page, line);
    } else if (same_page(*page, line->line)) {
        return step_result{false, pair(c, *page, *line)};
    } else if (line_of_passed_page(c, *page, *line)) {
        line_in_hole(c);
    } else if (page_ahead(c, slip_pages) == nullptr && !c.image_ended) {
        return step_result{true, std::nullopt};
    } else if (exchanged_with_next(c, *page, *line)) {
        lines_exchanged(c, *line, *line_ahead(c, 1));
    } else if (line->line.label[0] != '\0') {
        return step_result{false, follow_label(c, *page, *line)};
    } else {
        return step_result{false, judge_unlabelled(c, *page, *line)};
    }
    return step_result{false, std::nullopt};
}

} // namespace

rules_outcome advance(check_state& c) {
    while (c.end == check_end::running && !c.writer.failed) {
        // No line is read ahead of its page, so that the listing's own text, compared in
        // place, takes every page of a listing that matches.
        const page_sums* page = page_ahead(c, 0);
        if (page == nullptr && !c.image_ended) {
            return rules_outcome{rules_end::more, {}};
        }
        const queued_line* line = line_ahead(c, 0);
        if (line == nullptr && (c.listing.failed || !c.any_line)) {
            c.end = c.listing.failed ? check_end::listing_failed : check_end::no_checksum_lines;
        } else if (!c.first_judged && page != nullptr && line != nullptr) {
            if (!judge_first_page(c, *page, *line)) {
                return rules_outcome{rules_end::more, {}}; // the search waits for the first bytes
            }
        } else {
            const step_result taken = take_step(c, page, line);
            if (taken.slip) {
                return rules_outcome{rules_end::slip, *taken.slip};
            }
            if (taken.waits) {
                return rules_outcome{rules_end::more, {}};
            }
        }
    }
    return rules_outcome{rules_end::ended, {}};
}
