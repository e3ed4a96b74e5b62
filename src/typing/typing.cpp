#include "typing/typing.h"

#include "typing/typing_bytes.h"

#include <cstring>

bool start_typing(typing_session& s, const listing_table& table, const char* line_end) {
    s.placed = false;
    s.origin_fixed = false;
    s.next = 0;
    s.text_size = 0;
    s.text_lines = 0;
    s.text_ends_line = true;
    s.line_end = line_end;
    s.refused.held = false;
    s.stray = 0;
    s.first_stray = 0;
    return make_pages(s.typed, table);
}

void end_typing(typing_session& s) {
    free_pages(s.typed);
}

bool place_typing(typing_session& s, listing_table& table, std::uint32_t address, bool fixed) {
    s.placed = true;
    s.origin_fixed = fixed;
    s.next = address;
    s.typed.origin = address;
    return place_table(table, address);
}

namespace {

typing_event event_of(event_kind kind) {
    typing_event e{};
    e.kind = kind;
    return e;
}

// The command a line is, when it holds one character but blanks: "-", "?", "." or "+".
char command_of(const text_line& line) {
    char command = 0;
    for (std::size_t i = 0; line.text != nullptr && i < line.length; ++i) {
        const char c = line.text[i];
        if (c == ' ' || c == '\t') {
            continue;
        }
        if (command != 0 || std::strchr("-?.+", c) == nullptr) {
            return 0;
        }
        command = c;
    }
    return command;
}

typing_event take_back(typing_session& s) {
    if (s.lines.count == 0) {
        return event_of(event_kind::nothing_to_take_back);
    }
    const accepted_line last = s.lines.items[s.lines.count - 1];
    if (last.end != s.text_size) { // comments, or bytes outside the listing, come after it
        typing_event e = event_of(event_kind::not_last);
        e.report.number = last.number;
        return e;
    }
    --s.lines.count;
    take_typed(s.typed, last.from, last.size);
    s.next = last.from;
    s.text_size = last.offset;
    s.text_lines = last.number - 1;
    s.text_ends_line = true;
    s.refused.held = false;
    typing_event e = event_of(event_kind::taken_back);
    e.address = last.from;
    e.from = last.from;
    e.size = last.size;
    e.offset = last.offset;
    return e;
}

// "+": the line refused last, accepted as typed where its page's listing line does not add up.
typing_event accept_refused(typing_session& s, char* text, std::size_t size) {
    if (!s.refused.held) {
        return event_of(event_kind::nothing_to_accept);
    }
    const text_line line{s.refused.text, s.refused.text_size, 0, text_fault::none, 0};
    hex_line h;
    read_hex_line(line, h);
    return take_bytes(s, h.labelled ? h.label : s.next, h, line, true, text, size);
}

typing_event command(typing_session& s, char c, char* text, std::size_t size) {
    switch (c) {
    case '-':
        return take_back(s);
    case '+':
        return accept_refused(s, text, size);
    case '?':
        return event_of(event_kind::where);
    default:
        return event_of(event_kind::end);
    }
}

} // namespace

typing_event type_line(typing_session& s, listing_table& table, const text_line& line, char* text,
                       std::size_t size) {
    const char c = command_of(line);
    // "+" takes the line refused last, as long as nothing but "?" came after it.
    s.refused.held = s.refused.held && (c == '+' || c == '?');
    if (c != 0) {
        return command(s, c, text, size);
    }
    hex_line h;
    read_hex_line(line, h);
    if (h.fault.fault != image_fault::none) {
        typing_event e = event_of(event_kind::not_hex);
        e.fault = h.fault;
        e.address = h.labelled ? h.label : s.next;
        e.unplaced = !h.labelled && !s.placed;
        return e;
    }
    if (!h.labelled && h.count == 0) {
        return event_of(event_kind::nothing);
    }
    if (!s.placed && !h.labelled) {
        return event_of(event_kind::no_address);
    }
    if (!s.placed && !place_typing(s, table, h.label, false)) {
        return event_of(event_kind::no_memory);
    }
    return take_bytes(s, h.labelled ? h.label : s.next, h, line, false, text, size);
}

void remark_page_reached(typing_session& s, typing_event& e) {
    typed_page* typed = s.placed ? typed_page_at(s.typed, s.next) : nullptr;
    if (typed == nullptr || typed->told ||
        e.remark_count == sizeof e.remarks / sizeof e.remarks[0]) {
        return;
    }
    typed->told = true;
    const table_page& page = *page_at(*s.typed.table, s.next);
    if (page.line.kind == line_kind::invalid) {
        e.remarks[e.remark_count++] = typing_remark{remark_kind::not_a_checksum_line, &page, 0};
    } else if (!page_adds_up(s.typed, page)) {
        e.remarks[e.remark_count++] = typing_remark{remark_kind::does_not_add_up, &page, 0};
    }
}

typing_tally tally(const typing_session& s) {
    const accepted_line* last = s.lines.count == 0 ? nullptr : &s.lines.items[s.lines.count - 1];
    typing_tally t{s.typed.table->pages.count,
                   0,
                   0,
                   s.stray,
                   last != nullptr,
                   last == nullptr ? 0 : last->from + last->size - 1};
    for (std::size_t i = 0; s.placed && i < t.pages; ++i) {
        const page_view v = view_page(s.typed, s.typed.table->pages.items[i]);
        t.complete += v.complete ? 1 : 0;
        t.matching += v.matches ? 1 : 0;
    }
    return t;
}

bool all_typed(const typing_tally& t) {
    return t.matching == t.pages && t.stray == 0;
}
