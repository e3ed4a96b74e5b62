#ifndef PAGETALLY_EXPLAIN_REREAD_H
#define PAGETALLY_EXPLAIN_REREAD_H

// The explanations of a failed check that read the image again (explain_reread.cpp).

#include "explain/explain.h"

// How many pages from the first have a listing line: the lines a whole image must equal.
std::size_t listed_pages(const page_record& r);

// Data lines exchanged, every data bit inverted, or one: writes the first that fits.
bool data_lines(const failed_check& check, char* text, std::size_t size);

// A header before the image: the smallest of 17 to 4096 bytes without which the image fits.
bool header(const failed_check& check, char* text, std::size_t size);

// Reads the image again for the pages that were not kept (all before any slip was mended).
void read_pages_not_kept(const failed_check& check);

// Reads the image's own pages again into the record, in place of those of the image mended.
void read_own_pages(const failed_check& check);

#endif
