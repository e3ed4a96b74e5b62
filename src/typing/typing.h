#ifndef PAGETALLY_TYPING_TYPING_H
#define PAGETALLY_TYPING_TYPING_H

// Typing a program in against its listing, a typed line at a time: each line that a typed line
// completes is held against the listing's checksum of it, and the typed line is accepted, to be
// added to the typed text, only when every one of them matches. What each typed line does is an
// event, for one writer to turn into text and for the caller to carry out on the typed text.

#include "check/check_report.h"
#include "image/grow_array.h"
#include "image/image_error.h"
#include "text/text_reader.h"
#include "typing/typed_pages.h"

#include <cstddef>
#include <cstdint>

// A line in the typed text: where it begins and ends there (where the next begins), its number,
// and the bytes it gave.
struct accepted_line {
    std::uint64_t offset, end;
    unsigned long long number;
    std::uint32_t from, size;
};

// A refused line, kept for "+" when the listing line of its page does not add up.
struct refused_line {
    bool held;
    std::size_t text_size;
    char text[text_line_max];
};

struct typing_session {
    typed_pages typed;
    bool placed;        // the listing lies at its pages: typing's first address is known
    bool origin_fixed;  // by a start address or the typed text; else the first line typed sets it
    std::uint32_t next; // where the next line goes on
    grow_array<accepted_line> lines;
    std::uint64_t text_size;       // of the typed text
    unsigned long long text_lines; // in it, the last counted though it lacks its line end
    bool text_ends_line;           // the typed text is empty or ends with a line end
    const char* line_end;          // what ends each line added
    refused_line refused;
    std::uint64_t stray;       // bytes of the typed text in no page of the listing
    std::uint32_t first_stray; // the first of them
};

enum class event_kind {
    nothing,       // a blank line or a comment
    accepted,      // `text` is added to the typed text
    refused,       // a line it completes differs: `report`
    not_hex,       // no typed line: `fault`
    not_listed,    // `address` lies in no page of the listing
    already_typed, // the byte at `address` is typed
    no_address,    // the line has no label, and nothing says where typing begins
    taken_back,    // the line [from, from + size) is taken back: the text cut to `offset`
    nothing_to_take_back,
    not_last,          // "-" for a line that more of the typed text follows: `report.number`
    nothing_to_accept, // "+" without a refused line on a page whose listing does not add up
    where,             // "?"
    end,               // "."
    no_memory          // no memory to keep the line
};

// What a page's state tells, said once: its listing line does not add up, or is no checksum
// line; the page left behind by a jump holds some of its lines; a page that is complete has a
// total that differs.
enum class remark_kind { does_not_add_up, not_a_checksum_line, holds_lines, page_total };

struct typing_remark {
    remark_kind kind;
    const table_page* page;
    unsigned value; // the lines held, or the page's total
};

struct typing_event {
    event_kind kind;
    std::uint32_t address, from, size;
    check_report report;             // of a refused line
    bool on_line_before;             // a hint names a byte of the line accepted last
    unsigned long long earlier_line; // or one of this line of the typed text, before it
    const table_page* suspect;       // the refused line's page does not add up: its listing line
    image_error fault;
    bool unplaced;        // no typed hex, and nothing says where it would go: no address to name
    std::uint64_t offset; // the typed text's size before the line added or taken back
    const char* text;     // what is added to the typed text: `text_size` bytes
    std::size_t text_size;
    typing_remark remarks[12]; // a line of 4,096 characters reaches 9 pages at most
    unsigned remark_count;
};

// A session over the table, not yet placed; false when there is no memory for it.
bool start_typing(typing_session& s, const listing_table& table, const char* line_end);
void end_typing(typing_session& s);

// Places the listing with typing's first address at `address`: fixed when a start address or
// the typed text says so, else where the first line typed goes.
bool place_typing(typing_session& s, listing_table& table, std::uint32_t address, bool fixed);

// What the typed line does; `text` of the event stays valid until the next call.
typing_event type_line(typing_session& s, listing_table& table, const text_line& line, char* text,
                       std::size_t size);

// What is wrong with the listing line of the page where typing goes on, said once.
void remark_page_reached(typing_session& s, typing_event& e);

// How far typing got: the pages of the listing complete, those of them that match, and the
// address of the last typed byte.
struct typing_tally {
    std::size_t pages, complete, matching;
    std::uint64_t stray; // bytes of the typed text in no page of the listing
    bool any_typed;
    std::uint32_t last;
};
typing_tally tally(const typing_session& s);

// Whether typing is done: every page of the listing typed and matching, no byte besides.
bool all_typed(const typing_tally& t);

#endif
