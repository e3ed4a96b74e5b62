#include "typing/typed_again.h"

#include <algorithm>

namespace {

// Where each line of the text begins, from line 1 on; a line ends at LF, CR LF or CR.
bool line_starts(const char* text, std::size_t size, grow_array<std::uint64_t>& starts) {
    std::size_t at = 0;
    while (at < size) {
        if (!push(starts, std::uint64_t{at})) {
            return false;
        }
        while (at < size && text[at] != '\n' && text[at] != '\r') {
            ++at;
        }
        at += at + 1 < size && text[at] == '\r' && text[at + 1] == '\n' ? 2 : 1;
    }
    return true;
}

std::uint8_t byte_of(const image& typed, const image_run& run, std::uint32_t i) {
    const std::uint32_t at = run.address + i;
    return typed.store.chunks[at / image_chunk_size][at % image_chunk_size];
}

// Puts a run's bytes, and adds the lines that gave them to `lines`, one entry for the bytes of
// each line.
bool put_run(typing_session& s, const image& typed, const image_run& run,
             grow_array<accepted_line>& lines) {
    const std::uint32_t from = typed.origin + (run.address - typed.base);
    for (std::uint32_t i = 0; i < run.size; ++i) {
        const std::uint32_t at = from + i;
        const std::uint8_t byte = byte_of(typed, run, i);
        if (page_at(*s.typed.table, at) == nullptr) {
            s.stray += 1;
            s.first_stray = s.stray == 1 ? at : s.first_stray;
            continue;
        }
        put_typed(s.typed, at, &byte, 1);
        const unsigned long long number = text_line_of(typed, at);
        accepted_line* last = lines.count == 0 ? nullptr : &lines.items[lines.count - 1];
        if (last != nullptr && last->number == number && last->from + last->size == at) {
            ++last->size;
        } else if (!push(lines, accepted_line{0, 0, number, at, 1})) {
            return false;
        }
    }
    return true;
}

} // namespace

bool retype_image(typing_session& s, const image& typed, const char* text, std::size_t size) {
    grow_array<accepted_line> lines;
    for (const image_run& run : typed.runs) {
        if (!put_run(s, typed, run, lines)) {
            return false;
        }
    }
    // In the order of the text, each where its line begins there.
    std::stable_sort(begin(lines), end(lines), [](const accepted_line& a, const accepted_line& b) {
        return a.number < b.number;
    });
    grow_array<std::uint64_t> starts;
    if (!line_starts(text, size, starts) || !reserve(s.lines, lines.count)) {
        return false;
    }
    for (accepted_line& line : lines) {
        line.offset = line.number - 1 < starts.count ? starts.items[line.number - 1] : size;
        line.end = line.number < starts.count ? starts.items[line.number] : size;
        push(s.lines, line);
    }
    if (lines.count > 0) {
        s.next = next_untyped(s.typed, lines.items[lines.count - 1].from +
                                           lines.items[lines.count - 1].size);
    }
    s.text_size = size;
    s.text_lines = starts.count;
    s.text_ends_line = size == 0 || text[size - 1] == '\n' || text[size - 1] == '\r';
    // Lines added end as the text's first line does: LF, CR LF or CR.
    const char* end =
        std::find_if(text, text + size, [](char c) { return c == '\n' || c == '\r'; });
    if (end != text + size) {
        s.line_end = *end == '\n' ? "\n" : end + 1 < text + size && end[1] == '\n' ? "\r\n" : "\r";
    }
    return true;
}
