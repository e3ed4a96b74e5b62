#include "check.h"

#include "hex_digit.h"
#include "page_text.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <iterator>

namespace {

constexpr std::size_t page_slots = std::size(check_state{}.pages);
constexpr std::size_t line_slots = std::size(check_state{}.lines);

void report(check_state& c, const check_report& report) {
    write_report(c.writer, report);
}

// A report about line `number` of the listing, so that an editor can go to it.
void report_at(check_state& c, unsigned long long number, report_kind kind,
               std::uint32_t address = 0, unsigned image_value = 0, unsigned listing_value = 0,
               const char* text = "") {
    report(c, check_report{kind, report_side::listing, number, address, image_value, listing_value,
                           text});
}

void step(check_state& c, bool differs) {
    ++c.steps;
    c.differing += differs ? 1 : 0;
}

// The image's side: pages taken and not yet used up.

const page_sums* page_at(const check_state& c, std::size_t i) {
    return i < c.page_count ? &c.pages[(c.page_first + i) % page_slots] : nullptr;
}

void push_page(check_state& c, const page_sums& sums) {
    c.pages[(c.page_first + c.page_count++) % page_slots] = sums;
}

// Once the pages used up have every bit both 0 and 1 somewhere, so will any more: the walk
// need not find the bits of the rest (finding them for every page measured 1.03x slower over a
// whole check).
void use_page(check_state& c) {
    add_page(c.used, c.pages[c.page_first]);
    c.wants_bits = c.used.bits_and != 0x00 || c.used.bits_or != 0xFF;
    c.page_first = (c.page_first + 1) % page_slots;
    --c.page_count;
}

// The listing's side: lines that are not skipped, read when a step needs them.

// The i-th line ahead; null at the listing's end, when reading it failed, or past the queue.
const queued_line* line_at(check_state& c, std::size_t i) {
    while (c.line_count <= i) {
        text_line text{};
        if (c.line_count == line_slots || !read_line(c.listing, text)) {
            return nullptr;
        }
        const listing_line line = parse_listing_line(text.text, text.length);
        if (line.kind != line_kind::skip) {
            c.lines[(c.line_first + c.line_count++) % line_slots] = queued_line{line, text.number};
            c.any_line = true;
        }
    }
    return &c.lines[(c.line_first + i) % line_slots];
}

void drop_line(check_state& c) {
    c.line_first = (c.line_first + 1) % line_slots;
    --c.line_count;
}

// The next page line after the first line ahead, past lines that are not checksum lines.
const queued_line* next_page_line(check_state& c) {
    for (std::size_t i = 1;; ++i) {
        const queued_line* line = line_at(c, i);
        if (line == nullptr || line->line.kind == line_kind::page) {
            return line;
        }
    }
}

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

void page_not_in_listing(check_state& c, const page_sums& page) {
    report(c, check_report{report_kind::page_not_in_listing, report_side::none, 0,
                           page_address(page), 0, 0, ""});
    use_page(c);
    step(c, true);
}

void page_not_in_image(check_state& c, const queued_line& line) {
    report_at(c, line.number, report_kind::page_not_in_image);
    drop_line(c);
    step(c, true);
}

// Reports each difference between a page and the listing line that stands for it.
void compare_lines(check_state& c, const page_sums& page, const queued_line& listed) {
    const std::uint32_t address = page_address(page);
    const listing_line& line = listed.line;
    if (page.count != line.count) {
        report_at(c, listed.number, report_kind::line_counts, address, page.count, line.count);
        return;
    }
    unsigned differing = 0;
    for (unsigned i = 0; i < page.count; ++i) {
        differing += page.line[page.first + i] != line.checksum[i] ? 1 : 0;
    }
    if (page.count >= 2 && differing == page.count) {
        report_at(c, listed.number, report_kind::all_lines, address, page.count);
    } else {
        for (unsigned i = 0; i < page.count; ++i) {
            const unsigned at = page.first + i;
            if (page.line[at] != line.checksum[i]) {
                report_at(c, listed.number, report_kind::line_checksum, address + 8u * at,
                          page.line[at], line.checksum[i]);
            }
        }
    }
    if (page.total != line.total) {
        report_at(c, listed.number, report_kind::page_total, address, page.total, line.total);
    }
}

// P and L stand for each other: they match, or every difference is reported. A label that
// names another page is reported too, when it is all that differs.
void pair(check_state& c, const page_sums& page, const queued_line& line) {
    const bool same = same_page(page, line.line);
    const bool mislabelled =
        same && line.line.label[0] != '\0' &&
        judge_label(line.line.label, page_address(page)) != label_names::this_page;
    if (!same) {
        compare_lines(c, page, line);
    } else if (mislabelled) {
        report_at(c, line.number, report_kind::label_reads, page_address(page), 0, 0,
                  line.line.label);
    }
    step(c, !same || mislabelled);
    use_page(c);
    drop_line(c);
}

// When the listing's first line is a page line unlike the image's first page, the start address
// may be wrong: if the listing fits exactly one other, that is all the check says. False while
// the search waits for the image's first bytes.
bool judge_first_page(check_state& c, const page_sums& page, const queued_line& first) {
    const bool suspect =
        first.line.kind == line_kind::page && first.line.count >= 4 && !same_page(page, first.line);
    if (suspect && c.kept < first_bytes_kept && !c.first_run_ended && !c.image_ended) {
        return false;
    }
    c.first_judged = true;
    if (!suspect) {
        return true;
    }
    const queued_line* second = line_at(c, 1);
    if (second == nullptr && c.listing.failed) {
        c.end = check_end::listing_failed;
        return true;
    }
    const auto fit = fitting_start(
        c.first_bytes, c.kept, c.start, first.line,
        second != nullptr && second->line.kind == line_kind::page ? &second->line : nullptr);
    if (fit) {
        char message[64];
        std::snprintf(message, sizeof message, "fits start address %04" PRIX32 ", not %04" PRIX32,
                      *fit, c.start);
        write_about(c.writer, c.writer.output.listing_name, message);
        c.end = check_end::fitting_start;
    }
    return true;
}

// L is not a checksum line: it is reported, and stands for P unless the next page line is P.
void not_a_checksum_line(check_state& c, const queued_line& line) {
    char why[64];
    describe_fault(line.line, why, sizeof why);
    report_at(c, line.number, report_kind::not_a_checksum_line, 0, 0, 0, why);
    step(c, true);
    drop_line(c);
    ++c.claims;
}

// The next page line L is known now: the lines reported before it that stand for a page use
// up P, until P is L.
void settle_claim(check_state& c, const page_sums* page, const queued_line* line) {
    if (page == nullptr || (line != nullptr && same_page(*page, line->line))) {
        c.claims = 0;
    } else {
        use_page(c);
        --c.claims;
    }
}

// One side has ended: the other's next page or page line is reported, and the check ends.
void one_side_ended(check_state& c, const page_sums* page, const queued_line* line) {
    if (page != nullptr) {
        page_not_in_listing(c, *page);
    } else if (line != nullptr) {
        page_not_in_image(c, *line);
    }
    c.end = check_end::by_the_rules;
}

void follow_label(check_state& c, const page_sums& page, const queued_line& line) {
    switch (judge_label(line.line.label, page_address(page))) {
    case label_names::this_page:
        pair(c, page, line);
        break;
    case label_names::a_later_page:
        page_not_in_listing(c, page);
        break;
    case label_names::a_passed_page:
        page_not_in_image(c, line);
        break;
    }
}

// Without a label, the listing skips P when L is the next page, and L is a line too many when
// the next page line is P. False while it waits for the next page.
bool judge_unlabelled(check_state& c, const page_sums& page, const queued_line& line) {
    const page_sums* next = page_at(c, 1);
    if (next == nullptr && !c.image_ended) {
        return false;
    }
    if (next != nullptr && same_page(*next, line.line)) {
        page_not_in_listing(c, page);
        return true;
    }
    const queued_line* ahead = next_page_line(c);
    if (ahead == nullptr && c.listing.failed) {
        c.end = check_end::listing_failed;
    } else if (ahead != nullptr && same_page(page, ahead->line)) {
        page_not_in_image(c, line);
    } else {
        pair(c, page, line);
    }
    return true;
}

// One step of the rules for the page P and the listing line L ahead (either may be missing once
// its side has ended); false when it must wait for the next page.
bool take_step(check_state& c, const page_sums* page, const queued_line* line) {
    if (line != nullptr && line->line.kind == line_kind::invalid) {
        not_a_checksum_line(c, *line);
    } else if (c.claims > 0) {
        settle_claim(c, page, line);
    } else if (line == nullptr || page == nullptr) {
        one_side_ended(c, page, line);
    } else if (same_page(*page, line->line)) {
        pair(c, *page, *line);
    } else if (line->line.label[0] != '\0') {
        follow_label(c, *page, *line);
    } else {
        return judge_unlabelled(c, *page, *line);
    }
    return true;
}

// Takes steps while both sides have what the next one needs. False once the check has ended,
// or a line it needs could not be read, or a report could not be written.
bool advance(check_state& c) {
    while (c.end == check_end::running && !c.writer.failed) {
        // No line is read ahead of its page, so that the listing's own text, compared in
        // place, takes every page of a listing that matches.
        const page_sums* page = page_at(c, 0);
        if (page == nullptr && !c.image_ended) {
            return true;
        }
        const queued_line* line = line_at(c, 0);
        if (line == nullptr && (c.listing.failed || !c.any_line)) {
            c.end = c.listing.failed ? check_end::listing_failed : check_end::no_checksum_lines;
        } else if (!c.first_judged && page != nullptr && line != nullptr) {
            if (!judge_first_page(c, *page, *line)) {
                return true; // the search waits for the image's first bytes
            }
        } else if (!take_step(c, page, line)) {
            return true;
        }
    }
    return false;
}

// The text of the pages of one call, as the tool writes them.
constexpr std::size_t text_pages = 64;
char own_text[text_pages * page_text_max + (page_text_room - page_text_max)];

// Uses up the pages whose text, exactly as the tool writes it, the listing holds next: a run of
// them in one comparison when it can, else one at a time. `text` is theirs, `length` bytes from
// `offset` on; returns how many, and moves `offset` past their text. This path takes every page
// that a listing in the tool's own format matches; the rules above take the rest.
std::size_t take_own_text(check_state& c, const page_sums* pages, std::size_t count,
                          const char* text, std::size_t length, std::size_t& offset) {
    std::size_t taken = 0;
    if (take_lines(c.listing, text + offset, length - offset, count)) {
        taken = count;
        offset = length;
    } else {
        for (; taken < count; ++taken) {
            const std::size_t line = 3 * pages[taken].count + 4; // without the newline
            if (!take_line(c.listing, text + offset, line)) {
                break;
            }
            offset += line + 1;
        }
    }
    // Summed in a local: through the state, each page waited on the one before (this loop's
    // share of a whole check's profile fell from 12% to 6%).
    byte_traits used = c.used;
    for (std::size_t i = 0; i < taken; ++i) {
        add_page(used, pages[i]);
    }
    c.used = used;
    c.wants_bits = used.bits_and != 0x00 || used.bits_or != 0xFF;
    c.steps += taken;
    c.any_line = c.any_line || taken > 0;
    c.first_judged = c.first_judged || taken > 0;
    return taken;
}

bool take_some(check_state& c, const page_sums* pages, std::size_t count) {
    const std::size_t length = format_pages(pages, count, own_text);
    std::size_t offset = 0;
    for (std::size_t i = 0; i < count;) {
        if (c.page_count == 0 && c.line_count == 0 && c.claims == 0) {
            i += take_own_text(c, pages + i, count - i, own_text, length, offset);
            if (i == count) {
                break;
            }
        }
        push_page(c, pages[i]);
        offset += 3 * pages[i].count + 5;
        ++i;
        if (!advance(c)) {
            return false;
        }
    }
    return true;
}

bool take_pages(void* state, const page_sums* pages, std::size_t count) {
    auto& c = *static_cast<check_state*>(state);
    for (std::size_t i = 0; i < count; i += text_pages) {
        if (!take_some(c, pages + i, std::min(text_pages, count - i))) {
            return false;
        }
    }
    return true;
}

// The start-address search looks at the image's first bytes up to the first addresses that hold
// none.
void see_bytes(void* state, const byte_run& run) {
    auto& c = *static_cast<check_state*>(state);
    c.first_run_ended = c.first_run_ended || (run.moved && c.kept > 0);
    const std::size_t n = c.first_run_ended ? 0 : std::min(run.size, first_bytes_kept - c.kept);
    std::memcpy(c.first_bytes + c.kept, run.bytes, n);
    c.kept += n;
}

// What the image's bytes show, one line each: all alike, a stuck data bit, a repetition.
check_status report_causes(check_state& c) {
    const byte_traits& t = c.used;
    const char* image = c.writer.output.image_name;
    char line[64];
    if (t.bytes >= page_size && t.bits_and == t.bits_or) {
        std::snprintf(line, sizeof line, "every byte is %02X", t.bits_and);
        write_about(c.writer, image, line);
        return check_status::differ;
    }
    for (unsigned bit = 0; bit < 8 && t.bytes >= page_size; ++bit) {
        if ((t.bits_or >> bit & 1) == 0 || (t.bits_and >> bit & 1) == 1) {
            std::snprintf(line, sizeof line, "data bit %u is %u in every byte", bit,
                          t.bits_and >> bit & 1);
            write_about(c.writer, image, line);
        }
    }
    std::uint64_t length = 0;
    switch (find_repeat(c.image, length)) {
    case repeat_result::failed:
        return check_status::image_failed;
    case repeat_result::found:
        std::snprintf(line, sizeof line, "repeats its first %llu bytes",
                      static_cast<unsigned long long>(length));
        write_about(c.writer, image, line);
        break;
    case repeat_result::none:
        break;
    }
    return check_status::differ;
}

} // namespace

check_state start_check(text_source listing, std::uint32_t start, image_reread image,
                        check_output output) {
    check_state check{};
    check.writer = report_writer{output, false};
    check.listing = start_reading(listing);
    check.start = start;
    check.image = image;
    check.used = no_bytes;
    check.wants_bits = true;
    return check;
}

page_consumer check_consumer(check_state& check) {
    return page_consumer{take_pages, &check, see_bytes, &check.wants_bits};
}

check_status finish_check(check_state& c, walk_status walked) {
    if (walked == walk_status::complete) {
        c.image_ended = true;
        advance(c);
    }
    if (c.writer.failed) {
        return check_status::write_failed;
    }
    if (c.end == check_end::listing_failed) {
        return check_status::listing_failed;
    }
    if (walked == walk_status::read_failed) {
        return check_status::image_failed;
    }
    if (c.end == check_end::no_checksum_lines) {
        write_about(c.writer, c.writer.output.listing_name, "no checksum lines");
        return c.writer.failed ? check_status::write_failed : check_status::no_checksum_lines;
    }
    if (c.end == check_end::fitting_start) {
        return check_status::differ;
    }
    if (c.differing > 0) {
        const check_status causes = report_causes(c);
        if (causes != check_status::differ) {
            return causes;
        }
    }
    char last[64];
    if (c.differing == 0) {
        std::snprintf(last, sizeof last, "all %llu pages match", c.steps);
    } else {
        std::snprintf(last, sizeof last, "%llu of %llu pages differ", c.differing, c.steps);
    }
    write_plain(c.writer, last);
    if (c.writer.failed) {
        return check_status::write_failed;
    }
    return c.differing == 0 ? check_status::all_match : check_status::differ;
}
