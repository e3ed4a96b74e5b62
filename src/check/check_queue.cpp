#include "check/check_queue.h"

#include <iterator>

namespace {

constexpr std::size_t page_slots = std::size(decltype(check_state::pages){});
constexpr std::size_t line_slots = std::size(decltype(check_state::lines){});

} // namespace

void push_page(check_state& c, const page_sums& sums) {
    c.shifts[(c.page_first + c.page_count) % page_slots] = c.shift;
    c.pages[(c.page_first + c.page_count++) % page_slots] = sums;
}

const page_sums* page_ahead(const check_state& c, std::size_t i) {
    return i < c.page_count ? &c.pages[(c.page_first + i) % page_slots] : nullptr;
}

// Once the pages used up have every bit both 0 and 1 somewhere, so will any more: the walk
// need not find the bits of the rest (finding them for every page measured 1.03x slower over a
// whole check).
void use_page(check_state& c) {
    pass_page(c, c.pages[c.page_first]);
    add_traits(c.used, c.pages[c.page_first]);
    c.wants_bits = c.used.bits_and != 0x00 || c.used.bits_or != 0xFF;
    c.page_first = (c.page_first + 1) % page_slots;
    --c.page_count;
}

void pass_page(check_state& c, const page_sums& page) {
    c.next_page = page_address(page) + page_size;
    c.page_used = true;
}

void drop_pages(check_state& c) {
    c.page_count = 0;
}

const queued_line* line_ahead(check_state& c, std::size_t i) {
    while (c.line_count <= i) {
        text_line text{};
        if (c.line_count == line_slots || !read_line(c.listing, text)) {
            return nullptr;
        }
        const listing_line line = read_listing_line(text);
        if (text.number == 1 && c.listing.unmarked_utf16) {
            check_report r{};
            r.kind = report_kind::unmarked_utf16;
            r.side = report_side::listing;
            report(c, r);
        }
        if (line.kind != line_kind::skip) {
            c.lines[(c.line_first + c.line_count++) % line_slots] = queued_line{line, text.number};
            c.any_line = true;
        }
        if (line.kind == line_kind::page) {
            c.last_page_line = text.number;
        }
    }
    return &c.lines[(c.line_first + i) % line_slots];
}

void drop_line(check_state& c) {
    c.line_first = (c.line_first + 1) % line_slots;
    --c.line_count;
}

const queued_line* next_page_line(check_state& c) {
    return page_line_ahead(c, 1);
}

const queued_line* page_line_ahead(check_state& c, unsigned k) {
    for (std::size_t i = 1;; ++i) {
        const queued_line* line = line_ahead(c, i);
        if (line == nullptr || (line->line.kind == line_kind::page && --k == 0)) {
            return line;
        }
    }
}

void step(check_state& c, bool differs) {
    ++c.steps;
    c.differing += differs ? 1 : 0;
}

void report(check_state& c, const check_report& report) {
    write_report(c.writer, report);
}

void report_not_written(check_state& c) {
    if (c.options.write_name != nullptr) {
        check_report r{};
        r.kind = report_kind::not_written;
        r.text = c.options.write_name;
        report(c, r);
    }
}

void report_faulty_line(check_state& c, const queued_line& line) {
    check_report r = listing_report(line, report_kind::not_a_checksum_line);
    r.faulty = &line.line;
    report(c, r);
    step(c, true);
    drop_line(c);
}

check_report listing_report(const queued_line& line, report_kind kind, std::uint32_t address,
                            unsigned image_value, unsigned listing_value) {
    check_report r{};
    r.kind = kind;
    r.side = report_side::listing;
    r.number = line.number;
    r.address = address;
    r.image_value = image_value;
    r.listing_value = listing_value;
    return r;
}

std::uint32_t own_address(const check_state& c, std::uint32_t address) {
    return address + (c.page_count > 0 ? c.shifts[c.page_first] : c.shift);
}

bool from_file(const check_state& c, std::uint32_t address) {
    const image_text& text = c.options.text;
    return text.text_line == nullptr || text.text_line(text.state, address) != 0;
}

std::size_t from_file_run(const check_state& c, std::uint32_t address, std::size_t n) {
    if (c.options.text.text_line == nullptr) {
        return n;
    }
    std::size_t run = 0;
    while (run < n && from_file(c, address + static_cast<std::uint32_t>(run))) {
        ++run;
    }
    return run;
}

check_report image_report(const check_state& c, report_kind kind, std::uint32_t address,
                          unsigned image_value, unsigned listing_value) {
    check_report r{};
    r.kind = kind;
    r.side = report_side::image;
    r.address = address;
    r.image_value = image_value;
    r.listing_value = listing_value;
    r.image_address = own_address(c, address);
    return r;
}
