#ifndef PAGETALLY_TEXT_TEXT_READER_H
#define PAGETALLY_TEXT_TEXT_READER_H

// A text read line by line: a listing, or an image in one of the text formats.

#include <cstddef>

// Longest line a text may hold, not counting its line end.
constexpr std::size_t text_line_max = 4096;

// The text's bytes: `read` fills `buffer` with up to `size` bytes and returns how many, 0 at
// the end, or -1 when reading failed.
struct text_source {
    long (*read)(void* state, char* buffer, std::size_t size);
    void* state;
};

enum class text_encoding { utf8, utf16le, utf16be };

// Reads a text line by line, in constant memory: the text passes through one static buffer,
// so one reader at a time.
//
// A UTF-8 byte order mark at the start is skipped. A UTF-16 one (FF FE or FE FF) makes the rest
// UTF-16 of that byte order, converted to UTF-8 as it is read; a line that holds an odd last
// byte or a lone surrogate says so (`text_line::fault`). A line ends at LF, CR LF, or a CR
// alone; lines are numbered from 1.
struct text_reader {
    text_source source;
    text_encoding encoding;
    bool started, ended, failed;
    // Without a byte order mark, the first line holds 00 in every other byte: UTF-16, it seems.
    // Known once the first line is read.
    bool unmarked_utf16;
    std::size_t begin, end;         // unread text in the buffer
    unsigned long long line_number; // of the last line taken
    unsigned char carry[4];         // UTF-16 bytes that wait for the rest of their character
    std::size_t carried;
};

// What of a line read from UTF-16 is no character: the text ends inside one, or a surrogate
// stands alone. The text holds a byte no UTF-8 holds (FF or FE) in its place.
enum class text_fault { none, cut_character, lone_surrogate };

// The words for a text fault at `column`, NUL-terminated, truncated to `size` bytes: "UTF-16 text
// ends inside a character", "a lone UTF-16 surrogate at column C".
void describe_text_fault(text_fault fault, unsigned column, char* text, std::size_t size);

// One line as read, without its line end. Valid until the reader is used again.
struct text_line {
    const char* text; // null for a line longer than text_line_max, whose text is not kept
    std::size_t length;
    unsigned long long number;
    text_fault fault;      // the first in the line
    unsigned fault_column; // from 1, counting bytes of the line as converted
};

text_reader start_reading(text_source source);

// The next line: false at the end of the text, or when reading failed (`failed` tells which).
bool read_line(text_reader& reader, text_line& line);

// Takes the next `lines` lines when the text still to read begins with exactly `text`: `length`
// bytes holding those lines, each ending in LF. False, taking nothing, otherwise.
bool take_lines(text_reader& reader, const char* text, std::size_t length,
                unsigned long long lines);

// The text still to read, `available` bytes of it: at least `wanted` (at most text_line_max)
// unless the text ends first. Valid until the reader is used again; takes nothing.
const char* unread_text(text_reader& reader, std::size_t wanted, std::size_t& available);

// Takes the first `length` bytes of the unread text, which hold `lines` whole lines.
void take_text(text_reader& reader, std::size_t length, unsigned long long lines);

// Takes the next line when it is exactly `text` (`length` bytes, no line end), whatever its line
// end. False, taking nothing, otherwise.
bool take_line(text_reader& reader, const char* text, std::size_t length);

#endif
