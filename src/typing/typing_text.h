#ifndef PAGETALLY_TYPING_TYPING_TEXT_H
#define PAGETALLY_TYPING_TYPING_TEXT_H

// The one writer of what typing says: each event's line and its remarks, and how far typing got.

#include "check/check_report.h"
#include "typing/typing.h"

// Writes the event's line, if it has one, then its remarks; false when a line was not written.
// Reports about the listing and the typed text name them as `writer`'s output does.
bool write_event(report_writer& writer, const typing_event& e, const typing_session& s);

// The page lines placed at a page that an earlier line has: they are not typed against.
bool write_listed_twice(report_writer& writer, const listing_table& table);

// "at C008: 2 of 16 pages typed, 14 to go", for "?".
bool write_where(report_writer& writer, const typing_session& s);

// The last line: "all 16 pages typed and match", or "typed to C7FF: 8 of 16 pages match, 8 to
// go" (and how many differ, and how many bytes lie outside the listing's pages, when any do).
bool write_how_far(report_writer& writer, const typing_session& s);

// The prompt for the next line, the address it goes on at: "C008: ".
void prompt_text(const typing_session& s, char* text, std::size_t size);

#endif
