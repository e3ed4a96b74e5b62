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
    held_line held;
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

// Puts the held line, the line after it beginning at `next`.
image_error put_held(hex_state& s, std::uint32_t next, image& out) {
    if (!s.held.waiting) {
        return image_error{};
    }
    s.held.waiting = false;
    bool noted = true;
    const std::uint32_t at = place_held(s.held, next, out, noted);
    return noted ? put_line(s, out, s.held.marks, s.held.line, at, s.held.bytes, s.held.n)
                 : fault_at(image_fault::no_memory, 0);
}

// The held line goes where its label says, as no line comes to place it elsewhere; a conflict
// it makes comes before `fault`, of a later line.
image_error put_held_last(hex_state& s, image& out, const image_error& fault) {
    const image_error put = put_held(s, s.at, out);
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
// line before it ended is held until the line after it shows where it goes.
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
    const image_error held = put_held(s, labelled ? label : s.at, out);
    if (held.fault != image_fault::none) {
        return held;
    }
    if (!s.begun && !labelled && !s.start) {
        return fault_at(image_fault::no_start, line.number);
    }
    const std::uint32_t at = labelled ? label : s.begun ? s.at : *s.start;
    if (s.for_check && s.begun && labelled && at != s.at) {
        s.held.waiting = true;
        s.held.line = line.number;
        s.held.label = label;
        s.held.expected = s.at;
        s.held.digits = digits;
        s.held.n = n;
        s.held.marks = marks;
        std::memcpy(s.held.bytes, bytes, n);
        s.at = at + static_cast<std::uint32_t>(n);
        return image_error{};
    }
    s.labelled = s.begun ? s.labelled : labelled;
    s.begun = true;
    return put_line(s, out, marks, line.number, at, bytes, n);
}

} // namespace

image_error read_hex_text(text_reader& in, std::optional<std::uint32_t> start, image& out,
                          bool for_check, bool& labelled) {
    hex_state state{false, 0, start, false, for_check, {}};
    text_line line{};
    while (read_line(in, line)) {
        if (line.text == nullptr) {
            return put_held_last(state, out, fault_at(image_fault::too_long, line.number));
        }
        const image_error fault = read_line_of_hex(line, state, out);
        if (fault.fault != image_fault::none) {
            return fault;
        }
    }
    labelled = !state.begun || state.labelled; // an empty text lies where it is placed
    return put_held_last(state, out, text_ended(in));
}
