#include "typing/typing_text.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

bool write(report_writer& w, std::initializer_list<const char*> pieces) {
    w.failed = w.failed || !w.output.write(w.output.out, pieces);
    return !w.failed;
}

// "C008", "1C008": as the check's reports write addresses.
void address_text(std::uint32_t address, char* text, std::size_t size) {
    std::snprintf(text, size, "%04" PRIX32, address);
}

bool write_refused(report_writer& w, const typing_event& e) {
    const report_text t = text_of_report(w, e.report);
    char listing[48] = "";
    if (e.suspect != nullptr) {
        std::snprintf(listing, sizeof listing, "%llu)", e.suspect->number);
    }
    char earlier[48] = "";
    if (e.earlier_line != 0 && !e.on_line_before) {
        std::snprintf(earlier, sizeof earlier, ":%llu)", e.earlier_line);
    }
    return write(w, {t.text, t.tail,
                     e.on_line_before ? " (on the line before: type - to take it back)" : "",
                     earlier[0] != '\0' ? " (on an earlier line: " : "",
                     earlier[0] != '\0' ? w.output.image_name : "", earlier,
                     e.suspect != nullptr ? " (or the listing's checksum is mistyped: " : "",
                     e.suspect != nullptr ? w.output.listing_name : "",
                     e.suspect != nullptr ? ":" : "", listing});
}

bool write_remark(report_writer& w, const typing_remark& r) {
    check_report report{};
    report.side = report_side::listing;
    report.number = r.page->number;
    report.address = r.page->address;
    switch (r.kind) {
    case remark_kind::does_not_add_up: {
        char number[32];
        std::snprintf(number, sizeof number, ":%llu: ", r.page->number);
        return write(w, {w.output.listing_name, number,
                         "this line does not add up: a checksum or its total is mistyped"});
    }
    case remark_kind::not_a_checksum_line:
        report.kind = report_kind::not_a_checksum_line;
        report.faulty = &r.page->line;
        break;
    case remark_kind::holds_lines:
        report.kind = report_kind::holds_lines;
        report.side = report_side::image;
        report.image_address = r.page->address;
        report.image_value = r.value;
        break;
    case remark_kind::page_total:
        report.kind = report_kind::page_total;
        report.image_value = r.value;
        report.listing_value = r.page->line.total;
        break;
    }
    write_report(w, report); // typing's writer writes every report
    return !w.failed;
}

// The line of an event that is no report of the check's kind.
bool write_plain(report_writer& w, const typing_event& e, const typing_session& s) {
    char at[12];
    address_text(e.address, at, sizeof at);
    char last[12];
    address_text(e.from + e.size - 1, last, sizeof last);
    switch (e.kind) {
    case event_kind::not_hex: {
        char words[128];
        describe_line_fault(e.fault, image_format::hex, words, sizeof words);
        return e.unplaced ? write(w, {words}) : write(w, {at, ": ", words});
    }
    case event_kind::not_listed:
        return write(w, {at, ": page not in the listing"});
    case event_kind::already_typed:
        return write(w, {at, ": already typed"});
    case event_kind::no_address:
        return write(w, {"the listing names no address: begin with a label, as C000: ..."});
    case event_kind::taken_back:
        return write(w, {"taken back: ", at, " to ", last});
    case event_kind::nothing_to_take_back:
        return write(w, {"nothing to take back"});
    case event_kind::not_last: {
        char number[32];
        std::snprintf(number, sizeof number, ":%llu", e.report.number);
        return write(w, {"cannot take back ", w.output.image_name, number,
                         ": more of the text follows it; mend it there"});
    }
    case event_kind::nothing_to_accept:
        return write(w, {"nothing to accept: + takes a line refused where the listing's line "
                         "does not add up"});
    case event_kind::where:
        return write_where(w, s);
    case event_kind::no_memory:
        return write(w, {"not enough memory"});
    default:
        return true;
    }
}

} // namespace

bool write_event(report_writer& writer, const typing_event& e, const typing_session& s) {
    const bool written =
        e.kind == event_kind::refused ? write_refused(writer, e) : write_plain(writer, e, s);
    for (unsigned i = 0; written && i < e.remark_count; ++i) {
        write_remark(writer, e.remarks[i]);
    }
    return !writer.failed;
}

bool write_listed_twice(report_writer& writer, const listing_table& table) {
    for (std::size_t i = 0; i < table.pages.count; ++i) {
        const table_page& page = table.pages.items[i];
        if (page.earlier != 0) {
            char text[96];
            std::snprintf(text, sizeof text, ":%llu: %04" PRIX32 ": the page of line %llu too",
                          page.number, page.address, page.earlier);
            write(writer, {writer.output.listing_name, text});
        }
    }
    return !writer.failed;
}

bool write_where(report_writer& writer, const typing_session& s) {
    const typing_tally t = tally(s);
    char text[128];
    char at[12];
    address_text(s.next, at, sizeof at);
    std::snprintf(text, sizeof text, "%s: %zu of %zu pages typed, %zu to go",
                  s.placed ? at : "nothing typed", t.complete, t.pages, t.pages - t.complete);
    return write(writer, {s.placed ? "at " : "", text});
}

bool write_how_far(report_writer& writer, const typing_session& s) {
    const typing_tally t = tally(s);
    char text[160];
    if (all_typed(t)) {
        std::snprintf(text, sizeof text, "all %zu pages typed and match", t.pages);
        return write(writer, {text});
    }
    char last[12];
    address_text(t.last, last, sizeof last);
    const std::size_t differing = t.complete - t.matching;
    const std::size_t to_go = t.pages - t.complete;
    int n = std::snprintf(text, sizeof text, "%s%s: %zu of %zu pages match",
                          t.any_typed ? "typed to " : "nothing typed", t.any_typed ? last : "",
                          t.matching, t.pages);
    if (differing > 0) {
        n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), ", %zu differ%s",
                           differing, differing == 1 ? "s" : "");
    }
    if (to_go > 0) {
        n += std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), ", %zu to go",
                           to_go);
    }
    if (t.stray > 0) {
        std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n),
                      ", %llu byte%s outside them", static_cast<unsigned long long>(t.stray),
                      t.stray == 1 ? "" : "s");
    }
    return write(writer, {text});
}

void prompt_text(const typing_session& s, char* text, std::size_t size) {
    if (!s.placed) {
        std::snprintf(text, size, "label: ");
        return;
    }
    address_text(s.next, text, size);
    std::snprintf(text + std::strlen(text), size - std::strlen(text), ": ");
}
