#include "check/check_unpaired.h"

#include "check/check_queue.h"

namespace {

check_report not_in_listing(const check_state& c, const page_sums& page, const queued_line* line) {
    check_report r{};
    r.kind = report_kind::page_not_in_listing;
    r.side = report_side::listing;
    // Past the listing's last checksum line, the page would go after it.
    r.number = line != nullptr ? line->number : c.last_page_line + 1;
    r.address = page_address(page);
    return r;
}

void use_unlisted(check_state& c) {
    log_page(c.log, *page_ahead(c, 0), listed_as::none);
    use_page(c);
    step(c, true);
}

// The listing has ended: the image's pages from P on are counted until the image ends too.
void count_pages_left(check_state& c, const page_sums* page) {
    if (!c.left.counting) {
        c.left = leftover{true, not_in_listing(c, *page, nullptr)};
    } else if (page != nullptr) {
        ++c.left.report.count;
    }
    if (page != nullptr) {
        use_unlisted(c);
        return;
    }
    report(c, c.left.report);
    c.end = check_end::by_the_rules;
}

// The image has ended: the listing's lines from L on are counted, read to its end.
void count_lines_left(check_state& c, const queued_line& line) {
    check_report r = listing_report(line, report_kind::page_not_in_image);
    drop_line(c);
    step(c, true);
    for (const queued_line* more = line_ahead(c, 0); more != nullptr; more = line_ahead(c, 0)) {
        ++r.count;
        drop_line(c);
        step(c, true);
    }
    if (c.listing.failed) {
        c.end = check_end::listing_failed;
        return;
    }
    report(c, r);
    c.end = check_end::by_the_rules;
}

} // namespace

void page_not_in_listing(check_state& c, const page_sums& page, const queued_line* line) {
    report(c, not_in_listing(c, page, line));
    use_unlisted(c);
}

void page_not_in_image(check_state& c, const queued_line& line) {
    report(c, listing_report(line, report_kind::page_not_in_image));
    drop_line(c);
    step(c, true);
}

void lines_exchanged(check_state& c, const queued_line& line, const queued_line& other) {
    check_report r = listing_report(line, report_kind::lines_exchanged);
    r.count = other.number;
    report(c, r);
    for (int k = 0; k < 2; ++k) {
        log_page(c.log, *page_ahead(c, 0), listed_as::none);
        use_page(c);
        step(c, true);
    }
    drop_line(c);
    drop_line(c);
}

void one_side_ended(check_state& c, const page_sums* page, const queued_line* line) {
    if (line == nullptr && page == nullptr && !c.left.counting) {
        c.end = check_end::by_the_rules; // both ended together
    } else if (line == nullptr) {
        count_pages_left(c, page);
    } else {
        count_lines_left(c, *line);
    }
}
