// The check as a consumer of the walk: pages and listing lines queued for the rules, the fast
// path for a listing in the tool's own text, and the lines that end a check.

#include "check/check_rules.h"
#include "listing/page_text.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

constexpr std::size_t page_slots = std::size(decltype(check_state::pages){});
constexpr std::size_t line_slots = std::size(decltype(check_state::lines){});

// Pages go to the rules one by one, and are kept for a slip test while they wait for them.
void push_page(check_state& c, const page_sums& sums) {
    c.shifts[(c.page_first + c.page_count) % page_slots] = c.shift;
    c.pages[(c.page_first + c.page_count++) % page_slots] = sums;
}

// The text of the pages of one call, as the tool writes them.
char own_text[text_pages * page_text_max + (page_text_room - page_text_max)];

// Uses up the pages whose text, exactly as the tool writes it, the listing holds next: a run of
// them in one comparison when it can, else one at a time. `text` is theirs, `length` bytes from
// `offset` on; returns how many, and moves `offset` past their text. This path takes every page
// that a listing in the tool's own format matches; the rules take the rest.
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
    // The image mended is not read again: its pages are kept.
    const listed_as kept =
        c.options.again.restart != nullptr && !c.mended ? listed_as::not_kept : listed_as::same;
    for (std::size_t i = 0; i < taken; ++i) {
        add_page(used, pages[i]);
        record_page(c.record, pages[i], kept);
    }
    c.used = used;
    c.wants_bits = used.bits_and != 0x00 || used.bits_or != 0xFF;
    c.steps += taken;
    c.any_line = c.any_line || taken > 0;
    c.first_judged = c.first_judged || taken > 0;
    return taken;
}

} // namespace

bool take_some(check_state& c, const page_sums* pages, std::size_t count, bool remember,
               std::size_t& taken) {
    const std::size_t length = format_pages(pages, count, own_text);
    std::size_t offset = 0;
    for (taken = 0; taken < count && !c.restart;) {
        if (c.page_count == 0 && c.line_count == 0 && c.claims == 0 && !c.rest.waiting) {
            taken += take_own_text(c, pages + taken, count - taken, own_text, length, offset);
            if (taken == count) {
                break;
            }
        }
        push_page(c, pages[taken]);
        if (remember) {
            remember_page(c.history, pages[taken]);
        }
        offset += 3 * pages[taken].count + 5;
        ++taken;
        if (!advance(c)) {
            return false;
        }
    }
    return true;
}

namespace {

bool take_pages(void* state, const page_sums* pages, std::size_t count) {
    auto& c = *static_cast<check_state*>(state);
    for (std::size_t i = 0; i < count;) {
        if (c.mended) {
            return take_to_mend(c, pages + i, count - i);
        }
        std::size_t taken = 0;
        if (!take_some(c, pages + i, std::min(text_pages, count - i), true, taken) ||
            !walk_mended_again(c)) {
            return false;
        }
        i += taken;
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

// What explains the failed check, or else what the image's bytes show, one line each: all
// alike, a stuck data bit, a repetition.
check_status report_causes(check_state& c) {
    const byte_traits& t = c.used;
    const char* image = c.writer.output.image_name;
    char line[96];
    const failed_check failed{c.record, c.first_bytes,   c.kept,  c.options.raw,
                              c.start,  c.options.again, c.mended};
    if (c.image_suspect && explain_failure(failed, line, sizeof line)) {
        write_about(c.writer, image, line);
        return check_status::differ;
    }
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

// The last line, after what the image shows when a step differed.
check_status conclude(check_state& c) {
    if (c.differing > 0) {
        write_withheld(c.writer);
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

} // namespace

const page_sums* page_at(const check_state& c, std::size_t i) {
    return i < c.page_count ? &c.pages[(c.page_first + i) % page_slots] : nullptr;
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

void drop_pages(check_state& c) {
    c.page_count = 0;
}

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

const queued_line* next_page_line(check_state& c) {
    for (std::size_t i = 1;; ++i) {
        const queued_line* line = line_at(c, i);
        if (line == nullptr || line->line.kind == line_kind::page) {
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

std::uint32_t own_address(const check_state& c, std::uint32_t address) {
    return address + (c.page_count > 0 ? c.shifts[c.page_first] : c.shift);
}

bool from_file(const check_state& c, std::uint32_t address) {
    return c.options.text_line == nullptr ||
           c.options.text_line(c.options.text_state, address) != 0;
}

check_report image_report(const check_state& c, report_kind kind, std::uint32_t address,
                          unsigned image_value, unsigned listing_value) {
    return check_report{kind, report_side::image,      0, address, image_value, listing_value, "",
                        0,    own_address(c, address), {}};
}

void report_faulty_line(check_state& c, const queued_line& line) {
    char why[64];
    describe_fault(line.line, why, sizeof why);
    check_report r = listing_report(line, report_kind::not_a_checksum_line);
    r.text = why;
    report(c, r);
    step(c, true);
    drop_line(c);
}

check_report listing_report(const queued_line& line, report_kind kind, std::uint32_t address,
                            unsigned image_value, unsigned listing_value) {
    return check_report{
        kind, report_side::listing, line.number, address, image_value, listing_value, "", 0, 0, {}};
}

void start_check(check_state& check, text_source listing, std::uint32_t start, image_reread image,
                 check_output output, check_options options) {
    check = check_state{};
    check.writer = report_writer{
        output, image_text{options.text_line, options.text_state}, options.all_reports, 0, 0,
        false};
    check.options = options;
    check.listing = start_reading(listing);
    check.start = start;
    check.image = image;
    check.used = no_bytes;
    check.record = start_record(options.memory);
    check.wants_bits = true;
}

page_consumer check_consumer(check_state& check) {
    return page_consumer{take_pages, &check, see_bytes, &check.wants_bits};
}

check_status finish_check(check_state& c, walk_status walked) {
    // The image has ended once the walk of it mended has. A slip found only then (the rules
    // waited for the end) is mended, and its image walked, now.
    while (walked == walk_status::complete && (!c.mended || end_mended_walk(c))) {
        c.image_ended = true;
        advance(c);
        c.image_ended = !c.restart;
        if (c.image_ended || !walk_mended_again(c)) {
            break;
        }
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
    return conclude(c);
}
