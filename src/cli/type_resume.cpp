#include "cli/type_resume.h"

#include "check/check.h"
#include "check/check_pair.h"
#include "cli/outcome.h"
#include "image/image_formats.h"
#include "platform/platform.h"
#include "text/held_text.h"
#include "typing/typed_again.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

// The image's bytes before `end` only: a check of the pages typed whole.
struct bounded_bytes {
    byte_source source;
    std::uint64_t at, end; // past FFFFFFFF, not round to 0
};

read_result next_bounded(void* state, byte_run& run) {
    auto& b = *static_cast<bounded_bytes*>(state);
    const read_result result =
        b.at == b.end ? read_result::end : b.source.next(b.source.state, run);
    if (result != read_result::bytes) {
        return result;
    }
    b.at = run.moved ? run.address : b.at;
    if (b.at >= b.end) {
        b.at = b.end;
        return read_result::end;
    }
    run.size = static_cast<std::size_t>(std::min<std::uint64_t>(run.size, b.end - b.at));
    b.at += run.size;
    return read_result::bytes;
}

unsigned long long text_line_at(const void* state, std::uint32_t address) {
    return text_line_of(*static_cast<const image*>(state), address);
}

std::uint32_t next_byte_at(const void* state, std::uint32_t address) {
    return next_file_byte(*static_cast<const image*>(state), address);
}

// The last page, as its position in address order, of the pages typed whole one after the
// other from the listing's first page on, where the typed text begins: the pages a check sees
// as it would see the whole text. The count of pages when the first is not typed whole.
std::size_t whole_from_first(const listing_table& table, const typing_session& s,
                             std::uint32_t first) {
    const std::size_t none = table.order.count;
    if (none == 0 || table.order.items[0] != 0 ||
        table.pages.items[0].address != (first & ~std::uint32_t{0xFF})) {
        return none;
    }
    std::size_t last = none;
    for (std::size_t i = 0; i < table.order.count; ++i) {
        const table_page& page = table.pages.items[table.order.items[i]];
        const bool next =
            i == 0 ||
            page.address == table.pages.items[table.order.items[i - 1]].address + page_size;
        if (!next || !view_page(s.typed, page).complete) {
            break;
        }
        last = i;
    }
    return last;
}

// Checks the typed text's pages up to `last`, the listing's lines up to its line, as a check
// does. False when the check could not be made, with `status`.
bool check_typed(const request& asked, const listing_table& table, const image& typed,
                 const table_page& last, int& status) {
    held_text listing{table.text.items, last.text_end, 0};
    const image_text lines{text_line_at, next_byte_at, &typed, typed.notes.items,
                           typed.notes.count};
    check_options options{asked.all_reports, true, lines, false, nullptr, image_again{}};
    options.fill = asked.fill;
    const check_request checking{text_of_held(listing), image_start(typed),
                                 check_output{stdout, write_line, asked.listing, asked.image},
                                 options};
    check_state* state = begin_check(checking);
    image_reader reader = read_image(typed, asked.fill);
    bounded_bytes bounded{image_bytes(reader), image_start(typed),
                          std::uint64_t{last.address} + page_size};
    const walk_status walked = state == nullptr
                                   ? walk_status::complete
                                   : walk_pages(byte_source{next_bounded, &bounded},
                                                image_start(typed), check_consumer(*state));
    const check_status ended = end_check(state, walked);
    if (ended == check_status::all_match || ended == check_status::differ) {
        return true;
    }
    status = ended == check_status::no_memory ? fail("not enough memory", check_trouble)
                                              : finish(check_trouble, false, check_trouble);
    return false;
}

void report_line(report_writer& writer, const line_view& v) {
    check_report r{};
    r.kind = report_kind::line_checksum;
    r.side = report_side::image;
    r.address = v.address;
    r.image_address = v.address;
    r.image_value = v.checksum;
    r.listing_value = v.listed_checksum;
    r.edits = find_edits(v.bytes, v.typed, 0, v.address,
                         static_cast<std::uint8_t>(v.listed_checksum - v.checksum));
    write_report(writer, r);
}

// What the check did not see: the lines typed whole that differ from the listing, on the pages
// after those it checked (from position `from` in address order), and the bytes in no page of
// the listing.
void report_after(const request& asked, const image& typed, const listing_table& table,
                  const typing_session& s, std::size_t from) {
    const image_text lines{text_line_at, next_byte_at, &typed, nullptr, 0};
    report_writer writer{check_output{stdout, write_line, asked.listing, asked.image},
                         lines,
                         asked.all_reports,
                         0,
                         0,
                         false};
    for (std::size_t i = from; i < table.order.count; ++i) {
        const table_page& page = table.pages.items[table.order.items[i]];
        for (unsigned line = 0; line < lines_per_page; ++line) {
            const line_view v = view_line(s.typed, page.address + line_size * line);
            if (v.complete && v.listed && v.checksum != v.listed_checksum) {
                report_line(writer, v);
            }
        }
    }
    if (s.stray > 0) {
        check_report r{};
        r.kind = report_kind::page_not_in_listing;
        r.side = report_side::image;
        r.address = s.first_stray & ~std::uint32_t{0xFF};
        r.image_address = s.first_stray;
        write_report(writer, r);
    }
    write_withheld(writer);
}

bool refuse(const image_error& error, const char* name, int& status) {
    char line[4200];
    describe_image_error(error, image_format::hex, name, line, sizeof line);
    status = fail(line, check_trouble);
    return false;
}

} // namespace

image* read_typed_image(const char* text, std::size_t size, std::optional<std::uint32_t> start,
                        image_reading how, image& labelled, image& placed, image_error& error) {
    held_text held{text, size, 0};
    labelled.memory = image_memory{take_image_chunk, give_back_image_chunk};
    error = read_image_file(image_format::hex, text_of_held(held), std::nullopt, labelled, how);
    if (error.fault != image_fault::no_start || !start) {
        return &labelled;
    }
    held.at = 0;
    placed.memory = labelled.memory;
    error = read_image_file(image_format::hex, text_of_held(held), start, placed, how);
    return &placed;
}

bool resume_typing(const request& asked, std::optional<std::uint32_t> start, listing_table& table,
                   typing_session& s, const char* text, std::size_t size, int& status) {
    if (size >= 2 &&
        (std::memcmp(text, "\xFF\xFE", 2) == 0 || std::memcmp(text, "\xFE\xFF", 2) == 0)) {
        status =
            finish(check_trouble,
                   write_line(stdout, {asked.image, ": UTF-16 text; typing adds to UTF-8 only"}),
                   check_trouble);
        return false;
    }
    // Typing goes on from the text as its labels place it; the check reads it as a check does,
    // where a label that jumps may be taken for a mistake.
    image labelled[2]{};
    image placed[2]{};
    image_error error{};
    const image& typed =
        *read_typed_image(text, size, start, image_reading::to_list, labelled[0], placed[0], error);
    if (error.fault != image_fault::none) {
        return refuse(error, asked.image, status);
    }
    // Typing began at the start address, when one is given: the text may begin later, typed in
    // parts.
    const bool held =
        image_empty(typed) || place_typing(s, table, start.value_or(image_start(typed)), true);
    if (!held || !retype_image(s, typed, text, size)) {
        status = fail("not enough memory", check_trouble);
        return false;
    }
    if (image_empty(typed)) { // comments and blank lines: typing adds to them
        return true;
    }
    const image& checked = *read_typed_image(text, size, start, image_reading::to_check,
                                             labelled[1], placed[1], error);
    const std::size_t last = whole_from_first(table, s, image_start(typed));
    if (last < table.order.count &&
        !check_typed(asked, table, checked, table.pages.items[table.order.items[last]], status)) {
        return false;
    }
    report_after(asked, typed, table, s, last < table.order.count ? last + 1 : 0);
    return true;
}
