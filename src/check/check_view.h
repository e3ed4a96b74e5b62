#ifndef PAGETALLY_CHECK_CHECK_VIEW_H
#define PAGETALLY_CHECK_CHECK_VIEW_H

// A page of a text image as the rules compare it with its listing line. Fill is not the image's:
// the lines that the listing lacks and that hold only fill are left out, and so is a last line
// that the file's bytes do not fill. What the image's text itself says is wrong is reported once
// and its lines are not compared: a character that is no digit, a hole (bytes left out where the
// listing has their lines), and lines that another report explains.

#include "check/check_state.h"

#include <cstdint>

// P without the fill the listing line L lacks, when L has fewer checksums than P and that makes
// their numbers of lines equal; else P as it is.
page_sums without_fill(const check_state& c, const page_sums& page, const listing_line& line);

// Reports what the image's text says of P that is wrong: the notes of its bytes, the holes in
// its lines that the listing's checksums stand for from P's line `listing_first` on. Returns the
// lines of P that are not to be compared, and sets `any` when something was reported.
std::uint32_t lines_explained(check_state& c, const page_sums& page, const listing_line& line,
                              unsigned listing_first, bool& any);

// P with the listing's checksums in place of the lines in `lines`, and its total to match.
page_sums with_listed_lines(const page_sums& page, const listing_line& line, unsigned listing_first,
                            std::uint32_t lines);

// Whether the page at `address` (as the rules compare it), which the walk of a text image passed
// over as it holds no byte, lies in a hole: within the image, a byte of the file after it.
bool in_hole(const check_state& c, std::uint32_t address);

// Reports the hole that the page at `address`, passed over, lies in, unless it was already.
void report_passed_hole(check_state& c, std::uint32_t address);

// Whether L is P's line, as far as P's lines that hold no fill tell: they are L's checksums of
// them (but one, of four or more).
bool fits_past_fill(const check_state& c, const page_sums& page, const listing_line& line);

// Reports the notes of the bytes before `address` (the image's own) not reported yet; true when
// there were any.
bool report_notes_before(check_state& c, std::uint32_t address);

#endif
