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
    label_order order;
};

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

image_error read_line_of_hex(const text_line& line, hex_state& s, image& out) {
    std::size_t end = 0;
    while (end < line.length && !starts_comment(line.text[end])) {
        ++end;
    }
    line_marks marks{};
    const char* text = s.for_check ? read_look_alikes(line.text, end, marks) : line.text;
    group g = next_group(text, 0, end);
    if (g.begin == end) {
        return image_error{};
    }
    std::uint32_t label = 0;
    unsigned digits = 0;
    const bool labelled = read_label(text, end, g, label, digits);
    std::uint8_t* bytes = image_room(out, text_line_max / 2);
    if (bytes == nullptr) {
        return fault_at(image_fault::no_memory, 0);
    }
    std::size_t n = 0;
    const image_error fault = read_bytes(text, g, end, line.number, bytes, n, s, marks);
    if (fault.fault != image_fault::none) {
        return fault;
    }
    if (!s.begun && !labelled && !s.start) {
        return fault_at(image_fault::no_start, line.number);
    }
    const std::uint32_t expected = s.at;
    const std::uint32_t at = labelled ? label : s.begun ? s.at : *s.start;
    s.labelled = s.begun ? s.labelled : labelled;
    const bool noted =
        !s.for_check || (note_marks(out, marks, line.text, line.number, at, n) &&
                         order_label(s.order, out, s.begun, labelled, line.number, at, expected,
                                     static_cast<std::uint32_t>(n), digits));
    s.begun = true;
    s.at = at;
    if (!noted || !add_bytes(out, s.at, n, line.number)) {
        return fault_at(image_fault::no_memory, 0);
    }
    s.at += static_cast<std::uint32_t>(n);
    return image_error{};
}

} // namespace

image_error read_hex_text(text_reader& in, std::optional<std::uint32_t> start, image& out,
                          bool for_check, bool& labelled) {
    hex_state state{false, 0, start, false, for_check, {}};
    text_line line{};
    while (read_line(in, line)) {
        if (line.text == nullptr) {
            return fault_at(image_fault::too_long, line.number);
        }
        const image_error fault = read_line_of_hex(line, state, out);
        if (fault.fault != image_fault::none) {
            return fault;
        }
    }
    labelled = !state.begun || state.labelled; // an empty text lies where it is placed
    read_labels_as_noted(out);
    return text_ended(in);
}
