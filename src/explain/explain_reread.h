#ifndef PAGETALLY_EXPLAIN_EXPLAIN_REREAD_H
#define PAGETALLY_EXPLAIN_EXPLAIN_REREAD_H

// The explanations of a failed check that read the image again (explain_reread.cpp).

#include "explain/explanation.h"
#include "explain/failed_check.h"

#include <cstddef>
#include <optional>

// How many pages from the first have a listing line: the lines a whole image must equal.
std::size_t listed_pages(const page_log& r);

// Data lines exchanged, every data bit inverted, or one: the first that fits.
std::optional<explanation> data_lines(const failed_check& check);

// A header before the image: the smallest of 17 to 4096 bytes without which the image fits.
std::optional<explanation> header(const failed_check& check);

// Reads the image again for the pages that were not kept (all before any slip).
void read_pages_not_kept(const failed_check& check);

// Reads the image's own pages again into the log, in place of those of the image realigned.
void read_own_pages(const failed_check& check);

#endif
