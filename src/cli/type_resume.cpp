#include "cli/type_resume.h"

#include "check/check.h"
#include "check/check_pair.h"
#include "cli/outcome.h"
#include "image/image_formats.h"
#include "platform/platform.h"
#include "text/held_text.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

// The image's bytes before `end` only: a check of the pages typed whole.
struct bounded_bytes {
    byte_source source;
    std::uint32_t at, end;
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
    run.size = std::min<std::size_t>(run.size, b.end - b.at);
    b.at += static_cast<std::uint32_t>(run.size);
    return read_result::bytes;
}

unsigned long long text_line_at(const void* state, std::uint32_t address) {
    return text_line_of(*static_cast<const image*>(state), address);
}

std::uint32_t next_byte_at(const void* state, std::uint32_t address) {
    return next_file_byte(*static_cast<const image*>(state), address);
}

// The page typed whole with the highest address, and the listing's text up to its line; none
// when no page is typed whole.
const table_page* last_whole_page(const listing_table& table, const typing_session& s) {
    for (std::size_t i = table.order.count; i-- > 0;) {
        const table_page& page = table.pages.items[table.order.items[i]];
        if (view_page(s.typed, page).complete) {
            return &page;
        }
    }
    return nullptr;
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
    bounded_bytes bounded{image_bytes(reader), image_start(typed), last.address + 0x100};
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

// The lines typed whole from `from` on, past the pages checked, that differ from the listing.
void report_after(const request& asked, const image& typed, const typing_session& s,
                  std::uint32_t from) {
    const image_text lines{text_line_at, next_byte_at, &typed, nullptr, 0};
    report_writer writer{check_output{stdout, write_line, asked.listing, asked.image},
                         lines,
                         asked.all_reports,
                         0,
                         0,
                         false};
    for (std::uint32_t line = from & ~7u; line - from < s.next - from; line += 8) {
        const line_view v = view_line(s.typed, line);
        if (!v.complete || !v.listed || v.checksum == v.listed_checksum) {
            continue;
        }
        check_report r{};
        r.kind = report_kind::line_checksum;
        r.side = report_side::image;
        r.address = line;
        r.image_address = line;
        r.image_value = v.checksum;
        r.listing_value = v.listed_checksum;
        r.edits = find_edits(v.bytes, v.typed, 0, line,
                             static_cast<std::uint8_t>(v.listed_checksum - v.checksum));
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
    held_text held{text, size, 0};
    image typed{};
    typed.memory = image_memory{take_image_chunk, give_back_image_chunk};
    const image_error error = read_image_file(image_format::hex, text_of_held(held), start, typed,
                                              image_reading::to_check);
    if (error.fault != image_fault::none) {
        return refuse(error, asked.image, status);
    }
    if (image_empty(typed)) { // comments and blank lines: typing adds to them
        retype_text(s, text, size);
        return true;
    }
    const std::uint32_t first = image_start(typed);
    if (!place_typing(s, table, first)) {
        status = fail("not enough memory", check_trouble);
        return false;
    }
    retype_text(s, text, size);
    // A start address moves a text image to it; typing adds to the text where its labels say.
    if (s.typed.count > 0 && s.typed.first != first) {
        char line[96];
        std::snprintf(line, sizeof line, ": begins at %04" PRIX32 ", not at %04" PRIX32,
                      s.typed.first, first);
        status = finish(check_trouble, write_line(stdout, {asked.image, line}), check_trouble);
        return false;
    }
    const table_page* last = last_whole_page(table, s);
    if (last != nullptr && !check_typed(asked, table, typed, *last, status)) {
        return false;
    }
    report_after(asked, typed, s, last != nullptr ? last->address + 0x100 : first);
    return true;
}
