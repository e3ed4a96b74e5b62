#include "check/check_start.h"

#include "check/check_queue.h"
#include "explain/explain.h"

#include <cstring>

namespace {

// The start address the listing fits, and the one given; or, when that was typed in decimal
// and the one that fits is its value, that value.
void fits_start(check_state& c, std::uint32_t fit) {
    const char* typed = c.options.start_text;
    std::uint32_t value = 0;
    check_report r{};
    r.kind = report_kind::fits_start;
    r.side = report_side::listing;
    r.address = fit;
    r.line_address = c.start;
    if (typed != nullptr && typed_in_decimal(typed, value) && ((fit ^ value) & 0xFFFFu) == 0 &&
        std::strlen(typed) < 24) {
        r.address = value;
        r.text = typed;
    }
    report_not_written(c);
    report(c, r);
    c.end = check_end::fitting_start;
}

} // namespace

bool judge_first_page(check_state& c, const page_sums& page, const queued_line& first) {
    const bool suspect =
        first.line.kind == line_kind::page && first.line.count >= 4 && !same_page(page, first.line);
    // Waiting holds the pages taken meanwhile, which the queue has room for.
    if (suspect && c.kept < start_search_bytes && !c.first_run_ended && !c.image_ended) {
        return false;
    }
    c.first_judged = true;
    if (!suspect) {
        return true;
    }
    const queued_line* second = line_ahead(c, 1);
    if (second == nullptr && c.listing.failed) {
        c.end = check_end::listing_failed;
        return true;
    }
    const auto fit = fitting_start(
        c.first_bytes, c.kept, c.start, first.line,
        second != nullptr && second->line.kind == line_kind::page ? &second->line : nullptr,
        second != nullptr);
    if (fit) {
        fits_start(c, *fit);
    }
    return true;
}
