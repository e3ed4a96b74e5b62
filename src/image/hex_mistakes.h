#ifndef PAGETALLY_IMAGE_HEX_MISTAKES_H
#define PAGETALLY_IMAGE_HEX_MISTAKES_H

// The mistakes of typed hex that a check reads past, to report them as notes: a character that
// is no hexadecimal digit, and a label out of order.

#include "image/hex_groups.h"
#include "image/image.h"
#include "text/text_reader.h"

#include <cstddef>
#include <cstdint>

// A character of a line that is no hexadecimal digit: read as the digit it looks like (S 5, O 0,
// I and l 1, G 6, Z 2), or else read as none, and the line's bytes are not compared.
struct line_mark {
    std::size_t column; // from 0
    char typed, read_as;
    std::size_t byte; // the line's byte it falls in
};

struct line_marks {
    line_mark mark[16]; // the first of them
    unsigned count;
    bool unknown; // a character is read as no digit
};

// The line's text [0, end) with each look-alike of a digit read as that digit, and those marked:
// `text` itself when it holds none, else a copy, valid until the next line (one at a time).
const char* read_look_alikes(const char* text, std::size_t end, line_marks& marks);

// Reads the data group as read_group does, for a check: a character that is no digit is marked,
// and read as the digit 0, or as none where that makes the group's digits even (a look-alike
// too, when the group holds no other). A group of one such character is one byte, its value not
// known.
image_error read_group_for_check(const char* text, std::size_t begin, std::size_t end,
                                 unsigned long long line, std::uint8_t* bytes, std::size_t& n,
                                 line_marks& marks);

// Notes the marks of text line `line`, whose `n` bytes go at `address`, those read as no digit
// once a byte; false when there is no memory for them.
bool note_marks(image& out, const line_marks& marks, unsigned long long line, std::uint32_t address,
                std::size_t n);

// A labelled line that lies apart from where the line before it ended, `expected`, is held
// until the line after it is read: when that one goes on from `expected` past it, and its label
// differs from `expected` in one digit, its label is out of order, and it is read at `expected`.
// The first labelled line is held too (`first`, with no `expected`): when the line after it has
// a label, and the first would end there were its label one digit other, it is read so. The last
// line, with none after it, is read at `expected` when its label differs from it in one digit
// and the lines before it came in order.
struct held_line {
    bool waiting;
    bool first;
    unsigned long long line;
    std::uint32_t label, expected;
    unsigned digits;
    std::size_t n;
    line_marks marks;
    std::uint8_t bytes[text_line_max / 2];
};

// Where the held line goes, the line after it beginning at `next`, or, when `last`, none after
// it and the lines before it `in_order`: where the lines around it say, with a note, when its
// label is out of order; else its label. False in `noted` when there is no memory for the note.
std::uint32_t place_held(const held_line& held, std::uint32_t next, bool last, bool in_order,
                         image& out, bool& noted);

#endif
