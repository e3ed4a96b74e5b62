#include "image/hex_text.h"

#include "image/hex_groups.h"
#include "image/hex_mistakes.h"

#include <cstring>

namespace {

struct hex_state {
    bool begun; // a line with a label or bytes came: `at` is known
    std::uint32_t at;
    std::optional<std::uint32_t> start;
    bool labelled;
    bool for_check; // mistakes are noted, not refused
    bool in_order;  // every line held went where the lines around it said
    held_line held;
    // The first line, held while the line after it, which lies apart from it, is held too: the
    // line after both tells which of the two is out of order.
    held_line held_first;
};

// Puts a line's `n` bytes at `at`, its marks noted there for a check.
image_error put_line(hex_state& s, image& out, const line_marks& marks, unsigned long long line,
                     std::uint32_t at, const std::uint8_t* bytes, std::size_t n) {
    if (s.for_check && !note_marks(out, marks, line, at, n)) {
        return fault_at(image_fault::no_memory, 0);
    }
    put_bytes(out, at, bytes, n, line);
    s.at = at + static_cast<std::uint32_t>(n);
    return put_fault(out);
}

// Puts a held line, the line after it beginning at `next`, or none after it when `last`. A line
// with a character read as no digit, which cannot be read whole, ends where the next begins:
// its bytes past there are not known to be its own.
image_error put_one_held(hex_state& s, held_line& held, std::uint32_t next, bool last, image& out) {
    held.waiting = false;
    bool noted = true;
    const std::uint32_t at = place_held(held, next, last, s.in_order, out, noted);
    s.in_order = s.in_order && (held.first || at == held.expected);
    if (held.marks.unknown && !last && next - at > 0 && next - at < held.n) {
        held.n = next - at;
    }
    return noted ? put_line(s, out, held.marks, held.line, at, held.bytes, held.n)
                 : fault_at(image_fault::no_memory, 0);
}

// Puts the held lines, the line after them beginning at `next`, or none after them when `last`.
// The first line, held with the line after it, goes where that one says when the next goes on
// from it; else at its label.
image_error put_held(hex_state& s, std::uint32_t next, bool last, image& out) {
    if (s.held_first.waiting) {
        const bool said = !last && next == s.held.label + s.held.n;
        const image_error first =
            put_one_held(s, s.held_first, said ? s.held.label : 0, !said, out);
        if (first.fault != image_fault::none) {
            return first;
        }
        s.held.expected = s.at;
    }
    return s.held.waiting ? put_one_held(s, s.held, next, last, out) : image_error{};
}

// Holds the line, which begins at `label` (of `digits` digits, none when it has no label), until
// the line after it is read.
void hold_line(hex_state& s, unsigned long long number, std::uint32_t label, unsigned digits,
               const std::uint8_t* bytes, std::size_t n, const line_marks& marks) {
    s.held.waiting = true;
    s.held.first = !s.begun;
    s.labelled = s.begun ? s.labelled : digits > 0;
    s.begun = true;
    s.held.line = number;
    s.held.label = label;
    s.held.expected = s.at;
    s.held.digits = digits;
    s.held.n = n;
    s.held.marks = marks;
    std::memcpy(s.held.bytes, bytes, n);
    s.at = label + static_cast<std::uint32_t>(n);
}

// The held line goes where its label says, as no line comes to place it elsewhere; a conflict
// it makes comes before `fault`, of a later line.
image_error put_held_last(hex_state& s, image& out, const image_error& fault) {
    const image_error put = put_held(s, s.at, true, out);
    return put.fault != image_fault::none ? put : fault;
}

// The line's label, when it has one; then `g` is the group of bytes that follows it.
bool read_label(const char* text, std::size_t end, group& g, std::uint32_t& label,
                unsigned& digits) {
    const std::size_t marked = marked_label(text, g, label, digits);
    const bool bare = marked == 0 && bare_label(text, g, end, label, digits);
    if (bare) {
        g = next_group(text, g.end, end);
    } else {
        g.begin += marked; // the bytes may follow the mark without a blank
    }
    return marked > 0 || bare;
}

image_error read_bytes(const char* text, group g, std::size_t end, unsigned long long line,
                       std::uint8_t* bytes, std::size_t& n, hex_state& s, line_marks& marks) {
    for (; g.begin < end; g = next_group(text, g.end, end)) {
        if (g.begin < g.end) {
            const image_error fault =
                s.for_check ? read_group_for_check(text, g.begin, g.end, line, bytes, n, marks)
                            : read_group(text, g.begin, g.end, line, bytes, n);
            if (fault.fault != image_fault::none) {
                return fault;
            }
        }
    }
    return image_error{};
}

// Reads a line into `bytes`; `n` of them, after its label if it is `labelled`.
image_error read_line_bytes(const text_line& line, hex_state& s, std::uint8_t* bytes,
                            std::size_t& n, bool& labelled, std::uint32_t& label, unsigned& digits,
                            line_marks& marks) {
    std::size_t end = 0;
    while (end < line.length && !starts_comment(line.text[end])) {
        ++end;
    }
    marks = line_marks{};
    const char* text = s.for_check ? read_look_alikes(line.text, end, marks) : line.text;
    group g = next_group(text, 0, end);
    if (g.begin == end) {
        return image_error{};
    }
    labelled = read_label(text, end, g, label, digits);
    return read_bytes(text, g, end, line.number, bytes, n, s, marks);
}

// Reads a line and puts its bytes. For a check, a labelled line that lies apart from where the
// line before it ended is held until the line after it shows where it goes; so is a line with a
// character read as no digit, until the line after it shows where it ends.
image_error read_line_of_hex(const text_line& line, hex_state& s, image& out) {
    std::uint8_t bytes[text_line_max / 2];
    std::size_t n = 0;
    bool labelled = false;
    std::uint32_t label = 0;
    unsigned digits = 0;
    line_marks marks;
    const image_error fault = read_line_bytes(line, s, bytes, n, labelled, label, digits, marks);
    if (fault.fault != image_fault::none) {
        return put_held_last(s, out, fault);
    }
    if (!labelled && n == 0) {
        return image_error{}; // blank, or a comment
    }
    const bool apart = labelled && label != s.at;
    if (s.held.waiting && s.held.first && apart) {
        s.held_first = s.held; // held with this line, which the next tells apart
        s.held.waiting = false;
    } else {
        const image_error held = put_held(s, labelled ? label : s.at, false, out);
        if (held.fault != image_fault::none) {
            return held;
        }
    }
    if (!s.begun && !labelled && !s.start) {
        return fault_at(image_fault::no_start, line.number);
    }
    const std::uint32_t at = labelled ? label : s.begun ? s.at : *s.start;
    if (s.for_check && ((labelled && (!s.begun || at != s.at)) || marks.unknown)) {
        hold_line(s, line.number, at, labelled ? digits : 0, bytes, n, marks);
        return image_error{};
    }
    s.labelled = s.begun ? s.labelled : labelled;
    s.begun = true;
    return put_line(s, out, marks, line.number, at, bytes, n);
}

} // namespace

void read_hex_line(const text_line& line, hex_line& out) {
    hex_state state{false, 0, std::nullopt, false, false, true, {}, {}};
    unsigned digits = 0;
    line_marks marks;
    out.count = 0;
    out.labelled = false;
    out.label = 0;
    out.fault = line.text == nullptr ? fault_at(image_fault::too_long, line.number)
                : line.fault != text_fault::none
                    ? text_fault_of(line)
                    : read_line_bytes(line, state, out.bytes, out.count, out.labelled, out.label,
                                      digits, marks);
}

image_error read_hex_text(text_reader& in, std::optional<std::uint32_t> start, image& out,
                          bool for_check, bool& labelled) {
    hex_state state{false, 0, start, false, for_check, true, {}, {}};
    text_line line{};
    while (read_line(in, line)) {
        if (line.text == nullptr) {
            return put_held_last(state, out, fault_at(image_fault::too_long, line.number));
        }
        if (line.fault != text_fault::none) {
            return put_held_last(state, out, text_fault_of(line));
        }
        const image_error fault = read_line_of_hex(line, state, out);
        if (fault.fault != image_fault::none) {
            return fault;
        }
    }
    labelled = !state.begun || state.labelled; // an empty text lies where it is placed
    return put_held_last(state, out, text_ended(in));
}
