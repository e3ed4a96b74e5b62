#include "image/hex_mistakes.h"

#include "text/characters.h"
#include "text/text_reader.h"

#include <cstring>

namespace {

// The digit that a character looks like, or 0.
char look_alike(char c) {
    switch (c) {
    case 'S':
        return '5';
    case 'O':
        return '0';
    case 'I':
    case 'l':
        return '1';
    case 'G':
        return '6';
    case 'Z':
        return '2';
    default:
        return 0;
    }
}

char fixed[text_line_max];

void mark(line_marks& marks, std::size_t column, char typed, char read_as, std::size_t byte) {
    if (marks.count < sizeof marks.mark / sizeof marks.mark[0]) {
        marks.mark[marks.count++] = line_mark{column, typed, read_as, byte};
    }
    marks.unknown = marks.unknown || read_as == 0;
}

// The mark of the character at `column`, or null.
line_mark* mark_at(line_marks& marks, std::size_t column) {
    for (unsigned m = 0; m < marks.count; ++m) {
        if (marks.mark[m].column == column) {
            return &marks.mark[m];
        }
    }
    return nullptr;
}

// Marks the character at `column`, of the line's byte `byte`, as read as no digit: a look-alike
// marked before is read so too.
void read_as_none(line_marks& marks, std::size_t column, char typed, std::size_t byte) {
    line_mark* alike = mark_at(marks, column);
    if (alike == nullptr) {
        mark(marks, column, typed, 0, byte);
        return;
    }
    alike->read_as = 0;
    alike->byte = byte;
    marks.unknown = true;
}

// Whether `a` and `b`, of `digits` digits, differ in one of them.
bool one_digit_apart(std::uint32_t a, std::uint32_t b, unsigned digits) {
    const std::uint64_t limit = std::uint64_t{1} << (4 * digits);
    unsigned differ = 0;
    for (unsigned i = 0; i < digits; ++i) {
        differ += ((a >> (4 * i) ^ b >> (4 * i)) & 0xFu) != 0 ? 1 : 0;
    }
    return b < limit && differ == 1;
}

// Where the lines around the held line say it goes, when that differs from its label in one
// digit; else its label. The first line and the last have a neighbour on one side only: lines
// left out next to them, which would make their label seem one digit off, are told apart by
// a digit of the page only, so that a hole of some lines there stays a hole.
std::uint32_t where_said(const held_line& held, std::uint32_t next, bool last, bool in_order) {
    const auto n = static_cast<std::uint32_t>(held.n);
    std::uint32_t said = held.label;
    if (held.first) {
        said = last || next == held.label + n ? held.label : next - n;
    } else if (last ? in_order : next == held.expected + n) {
        said = held.expected;
    }
    const bool one_side = held.first || last;
    return one_digit_apart(held.label, said, held.digits) &&
                   (!one_side || ((said ^ held.label) & 0xFFu) == 0)
               ? said
               : held.label;
}

} // namespace

const char* read_look_alikes(const char* text, std::size_t end, line_marks& marks) {
    marks = line_marks{};
    const char* copy = text;
    for (std::size_t i = 0; i < end; ++i) {
        const char digit = look_alike(text[i]);
        if (digit == 0) {
            continue;
        }
        if (copy == text) {
            std::memcpy(fixed, text, end);
            copy = fixed;
        }
        fixed[i] = digit;
        mark(marks, i, text[i], digit, 0);
    }
    return copy;
}

image_error read_group_for_check(const char* text, std::size_t begin, std::size_t end,
                                 unsigned long long line, std::uint8_t* bytes, std::size_t& n,
                                 line_marks& marks) {
    // An odd group reads one character it marks as none, a character that is no digit rather
    // than a look-alike; a lone one is a byte, with a digit left out, whose value is not known.
    const bool odd = (end - begin) % 2 != 0;
    std::size_t none = end;
    for (std::size_t i = begin; odd && i < end; ++i) {
        const bool unknown = hex_digit_value(text[i]) < 0;
        none = unknown || (none == end && mark_at(marks, i) != nullptr) ? i : none;
        if (unknown) {
            break;
        }
    }
    if (end - begin == 1 && none == begin) {
        read_as_none(marks, begin, text[begin], n);
        bytes[n++] = 0;
        return image_error{};
    }
    unsigned digits = 0;
    unsigned value = 0;
    for (std::size_t i = begin; i < end; ++i) {
        int digit = hex_digit_value(text[i]);
        const std::size_t byte = n + digits / 2;
        line_mark* alike = mark_at(marks, i);
        if (alike != nullptr) {
            alike->byte = byte;
        }
        if (i == none) {
            read_as_none(marks, i, text[i], byte);
            continue;
        }
        if (digit < 0) {
            mark(marks, i, text[i], 0, byte);
            digit = 0;
        }
        value = value << 4 | static_cast<unsigned>(digit);
        if (++digits % 2 == 0) {
            bytes[n++] = static_cast<std::uint8_t>(value);
            value = 0;
        }
    }
    return digits % 2 != 0 ? fault_at(image_fault::odd_digits, line, begin) : image_error{};
}

bool note_marks(image& out, const line_marks& marks, unsigned long long line, std::uint32_t address,
                std::size_t n) {
    for (unsigned m = 0; m < marks.count; ++m) {
        const line_mark& k = marks.mark[m];
        // A byte of characters that are no digit, as `xx`, is one mistake: its first is noted.
        if (k.read_as == 0 && m > 0 && marks.mark[m - 1].read_as == 0 &&
            marks.mark[m - 1].byte == k.byte) {
            continue;
        }
        image_note note{};
        note.kind = note_kind::bad_character;
        const std::size_t byte = k.byte < n || n == 0 ? k.byte : n - 1;
        note.address = address + static_cast<std::uint32_t>(byte);
        note.line = line;
        note.column = static_cast<unsigned>(k.column + 1);
        note.typed = k.typed;
        note.read_as = k.read_as;
        note.from = address;
        note.bytes = static_cast<std::uint32_t>(marks.unknown ? n : 0);
        if (!push(out.notes, note)) {
            return false;
        }
    }
    return true;
}

std::uint32_t place_held(const held_line& held, std::uint32_t next, bool last, bool in_order,
                         image& out, bool& noted) {
    noted = true;
    const std::uint32_t said = where_said(held, next, last, in_order);
    if (said == held.label) {
        return held.label;
    }
    image_note note{};
    note.kind = note_kind::label_out_of_order;
    note.address = said;
    note.line = held.line;
    note.label = held.label;
    note.digits = held.digits;
    noted = push(out.notes, note);
    return said;
}
