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

// What the image gave when it was read again: the pages the check read, fewer of them (it has
// changed since), or a failed read.
enum class reread { same, changed, failed };

// Reads the image again, to the last of its pages that were not kept (all before any slip) or
// that have a fingerprint, and writes those not kept into the log.
reread read_pages_again(const failed_check& check);

// Reads the image's own pages again into the log, in place of those of the image realigned.
reread read_own_pages(const failed_check& check);

#endif
