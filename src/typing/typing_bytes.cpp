#include "typing/typing_bytes.h"

#include "check/check_pair.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

bool page_adds_up(const typed_pages& typed, const table_page& page) {
    return page.line.kind != line_kind::page || page.line.count == 0 ||
           adds_up(page.line, page.address, first_listed(typed, page));
}

unsigned long long typed_text_line(const void* state, std::uint32_t address) {
    const auto& s = *static_cast<const typing_session*>(state);
    if (!is_typed(s.typed, address)) {
        return 0;
    }
    for (std::size_t i = s.lines.count; i-- > 0;) {
        const accepted_line& line = s.lines.items[i];
        if (address - line.from < line.size) {
            return line.number;
        }
    }
    return 0;
}

namespace {

typing_event event_of(event_kind kind, std::uint32_t address) {
    typing_event e{};
    e.kind = kind;
    e.address = address;
    return e;
}

void remark(typing_event& e, remark_kind kind, const table_page* page, unsigned value = 0) {
    if (e.remark_count < sizeof e.remarks / sizeof e.remarks[0]) {
        e.remarks[e.remark_count++] = typing_remark{kind, page, value};
    }
}

// Why `n` bytes cannot go at `at`: a page the listing lacks, or a byte typed already.
typing_event place_refused(const typing_session& s, std::uint32_t at, std::size_t n) {
    if (std::uint64_t{at} + n > std::uint64_t{1} << 32) {
        return event_of(event_kind::not_listed, 0);
    }
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint32_t address = at + static_cast<std::uint32_t>(i);
        if (page_at(*s.typed.table, address) == nullptr) {
            return event_of(event_kind::not_listed, address & ~std::uint32_t{0xFF});
        }
        if (is_typed(s.typed, address)) {
            return event_of(event_kind::already_typed, address);
        }
    }
    return event_of(event_kind::nothing, at);
}

// The first line that the bytes at [at, at + n) complete and that differs from the listing;
// with `forced`, a differing line on a page whose listing line does not add up is marked
// accepted as typed instead.
bool first_differing(typing_session& s, std::uint32_t at, std::size_t n, bool forced,
                     line_view& differing) {
    const std::uint32_t last = (at + static_cast<std::uint32_t>(n - 1)) & ~7u;
    for (std::uint32_t line = at & ~7u;; line += line_size) {
        const line_view v = view_line(s.typed, line);
        if (v.complete && v.listed && v.checksum != v.listed_checksum && !v.forced) {
            if (!forced || page_adds_up(s.typed, *v.page)) {
                differing = v;
                return true;
            }
            typed_page_at(s.typed, line)->forced |= 1u << ((line & 0xFF) / line_size);
        }
        if (line == last) {
            return false;
        }
    }
}

typing_event refuse(typing_session& s, const line_view& v, std::uint32_t at,
                    const text_line& line) {
    typing_event e = event_of(event_kind::refused, at);
    check_report& r = e.report;
    r.kind = report_kind::line_checksum;
    r.side = report_side::none;
    r.address = v.address;
    r.image_value = v.checksum;
    r.listing_value = v.listed_checksum;
    r.edits = find_edits(v.bytes, v.typed, 0, v.address,
                         static_cast<std::uint8_t>(v.listed_checksum - v.checksum));
    // A hint may name a byte of an accepted line: the last one, or one before it.
    const unsigned long long last =
        s.lines.count == 0 ? 0 : s.lines.items[s.lines.count - 1].number;
    for (unsigned i = 0; i < r.edits.count; ++i) {
        const unsigned long long holder = typed_text_line(&s, r.edits.edit[i].address);
        e.on_line_before = e.on_line_before || (holder != 0 && holder == last);
        e.earlier_line =
            holder != 0 && holder != last && e.earlier_line == 0 ? holder : e.earlier_line;
    }
    e.suspect = page_adds_up(s.typed, *v.page) ? nullptr : v.page;
    s.refused.held = e.suspect != nullptr && line.text != nullptr;
    if (s.refused.held) {
        std::memcpy(s.refused.text, line.text, line.length);
        s.refused.text_size = line.length;
    }
    return e;
}

// Whether the line, which has no label of its own, needs one to say where it goes in the text:
// it does not go on where the text ends.
bool needs_label(const typing_session& s, std::uint32_t at, const hex_line& h) {
    const accepted_line* last = s.lines.count == 0 ? nullptr : &s.lines.items[s.lines.count - 1];
    return !h.labelled && (last == nullptr || last->from + last->size != at);
}

// The text that adds the line to the typed text: a line end first when the text lacks one, an
// address label when the line has none and does not go on where the text ends.
std::size_t text_to_add(const typing_session& s, std::uint32_t at, const hex_line& h,
                        const text_line& line, char* text, std::size_t size) {
    std::size_t used = 0;
    if (!s.text_ends_line) {
        used += static_cast<std::size_t>(std::snprintf(text, size, "%s", s.line_end));
    }
    if (needs_label(s, at, h)) {
        used += static_cast<std::size_t>(std::snprintf(
            text + used, size - used, at > 0xFFFF ? "%08" PRIX32 ": " : "%04" PRIX32 ": ", at));
    }
    if (used + line.length + std::strlen(s.line_end) < size) {
        std::memcpy(text + used, line.text, line.length);
        used += line.length;
        used += static_cast<std::size_t>(std::snprintf(text + used, size - used, "%s", s.line_end));
    }
    return used;
}

// The pages that the line completes, whose total differs from the listing's.
void remark_totals(const typing_session& s, std::uint32_t at, std::size_t n, typing_event& e) {
    const std::uint32_t last = (at + static_cast<std::uint32_t>(n - 1)) & ~std::uint32_t{0xFF};
    for (std::uint32_t page = at & ~std::uint32_t{0xFF};; page += page_size) {
        const table_page& listed = *page_at(*s.typed.table, page);
        const page_view v = view_page(s.typed, listed);
        if (v.complete && listed.line.kind == line_kind::page && v.total != listed.line.total) {
            remark(e, remark_kind::page_total, &listed, v.total);
        }
        if (page == last) {
            return;
        }
    }
}

// The page that typing leaves, by a label on another page, with some of its lines still to
// type; before the line is put.
void remark_left_behind(const typing_session& s, std::uint32_t at, typing_event& e) {
    const table_page* left = page_at(*s.typed.table, s.next);
    const bool same_page = ((at ^ s.next) & ~std::uint32_t{0xFF}) == 0;
    if (same_page || left == nullptr) {
        return;
    }
    const page_view v = view_page(s.typed, *left);
    if (v.any_typed && !v.complete) {
        remark(e, remark_kind::holds_lines, left, v.lines);
    }
}

} // namespace

typing_event take_bytes(typing_session& s, std::uint32_t at, const hex_line& h,
                        const text_line& line, bool forced, char* text, std::size_t size) {
    const std::size_t n = h.count;
    typing_event e = n == 0 ? event_of(event_kind::nothing, at) : place_refused(s, at, n);
    if (e.kind != event_kind::nothing) {
        return e;
    }
    remark_left_behind(s, at, e);
    if (n == 0) { // a label alone: typing goes on there
        if (page_at(*s.typed.table, at) == nullptr) {
            return event_of(event_kind::not_listed, at & ~std::uint32_t{0xFF});
        }
        s.next = at;
        return e;
    }
    const std::size_t label = at > 0xFFFF ? 10 : 6; // "0001C000: ", "C000: "
    if (needs_label(s, at, h) && line.length + label > text_line_max) {
        typing_event too_long = event_of(event_kind::not_hex, at);
        too_long.fault = fault_at(image_fault::too_long, 0);
        return too_long;
    }
    const std::uint32_t origin = s.typed.origin;
    s.typed.origin = s.typed.count == 0 && !s.origin_fixed ? at : origin;
    put_typed(s.typed, at, h.bytes, n);
    line_view differing{};
    if (first_differing(s, at, n, forced, differing)) {
        take_typed(s.typed, at, n);
        s.typed.origin = origin;
        return refuse(s, differing, at, line);
    }
    e.kind = event_kind::accepted;
    e.from = at;
    e.size = static_cast<std::uint32_t>(n);
    e.text = text;
    e.text_size = text_to_add(s, at, h, line, text, size);
    e.offset = s.text_size + (s.text_ends_line ? 0 : std::strlen(s.line_end));
    if (!push(s.lines,
              accepted_line{e.offset, s.text_size + e.text_size, s.text_lines + 1, at, e.size})) {
        take_typed(s.typed, at, n);
        return event_of(event_kind::no_memory, at);
    }
    remark_totals(s, at, n, e);
    s.text_size += e.text_size;
    s.text_lines += 1;
    s.text_ends_line = true;
    s.next = next_untyped(s.typed, at + e.size);
    s.refused.held = false;
    return e;
}
