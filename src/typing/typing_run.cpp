#include "typing/typing_run.h"

#include "typing/typing_bytes.h"
#include "typing/typing_text.h"

namespace {

void prompt(const typing_session& s, std::FILE* prompts) {
    if (prompts == nullptr) {
        return;
    }
    char text[24];
    prompt_text(s, text, sizeof text);
    std::fputs(text, prompts);
    std::fflush(prompts);
}

// Carries out what the event does to the typed text; false when it could not be written.
bool carry_out(const typing_event& e, const typed_text& text) {
    if (e.kind == event_kind::accepted && e.text_size > 0) {
        return text.add(text.state, e.text, e.text_size);
    }
    if (e.kind == event_kind::taken_back) {
        return text.cut(text.state, e.offset);
    }
    return true;
}

bool ends_typing(event_kind kind) {
    return kind == event_kind::end || kind == event_kind::no_memory;
}

} // namespace

typing_status run_typing(typing_session& s, listing_table& table, const typing_request& request) {
    const image_text lines{typed_text_line, nullptr, &s, nullptr, 0};
    report_writer writer{request.output, lines, true, 0, 0, false};
    write_listed_twice(writer, table);
    typing_event first{};
    remark_page_reached(s, first);
    write_event(writer, first, s);
    text_reader reader = start_reading(request.lines);
    text_line line{};
    char text[text_line_max + 32]; // what a line adds to the typed text
    event_kind last = event_kind::nothing;
    while (!writer.failed && !ends_typing(last)) {
        prompt(s, request.prompts);
        if (!read_line(reader, line)) {
            if (request.prompts != nullptr) { // the last line goes below the prompt
                std::fputs("\n", request.prompts);
            }
            break;
        }
        const bool placed = s.placed;
        typing_event e = type_line(s, table, line, text, sizeof text);
        last = e.kind;
        if (!carry_out(e, request.text)) {
            return typing_status::text_failed;
        }
        remark_page_reached(s, e);
        if (!placed && s.placed) { // the first label typed placed the listing
            write_listed_twice(writer, table);
        }
        write_event(writer, e, s);
    }
    if (writer.failed) {
        return typing_status::output_failed;
    }
    if (last == event_kind::no_memory) {
        return typing_status::no_memory;
    }
    if (reader.failed) {
        return typing_status::lines_failed;
    }
    if (!write_how_far(writer, s)) {
        return typing_status::output_failed;
    }
    return all_typed(tally(s)) ? typing_status::all_match : typing_status::pages_to_go;
}
