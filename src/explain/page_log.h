#ifndef PAGETALLY_EXPLAIN_PAGE_LOG_H
#define PAGETALLY_EXPLAIN_PAGE_LOG_H

// The line checksums of the image's pages and of the listing lines they were compared with, page
// by page in the order the check took them: what a failed check is explained from, by their line
// data sums (a line's checksum less its seed: what its eight bytes add), since a page's data can
// be recognised at another address. Kept for the first log_pages pages; an image of more is
// not explained.

#include "image/image.h"
#include "listing/listing_line.h"
#include "walk/page_sums.h"

#include <cstddef>
#include <cstdint>
#include <memory>

constexpr std::size_t log_pages = 65536;

// Kept as the checksums are, so that a check that matches only copies them.
struct page_data {
    std::uint32_t lines; // bit i: the page has line i
    std::uint8_t page;   // bits 8 to 15 of the page's address, which line i's seed adds to 8 i
    std::uint8_t checksum[lines_per_page];
};

// The data sum of line i.
inline std::uint8_t line_data(const page_data& data, unsigned i) {
    return static_cast<std::uint8_t>(data.checksum[i] - data.page - line_size * i);
}

enum class listed_as : std::uint8_t {
    none,     // the listing has no line for the page
    same,     // the listing's line is exactly the page
    own,      // the listing's line differs: its data is in `listing`
    not_kept, // the listing's line is exactly the page, whose lines the image, read again, gives
};

// The pages lie in chunks, the image's and the listing's, each taken when a page is first written
// to it: a check that keeps few pages takes little memory. With an image's memory, a chunk is one
// of its chunks, whose few large pages cost few page faults (a check of a 16 MiB image from a
// pipe, which keeps every page, measured 1.6 times as long with chunks of the usual pages);
// without, a small chunk from malloc. The log's memory never comes from new, so that running out
// of it is a log not whole, not the end of the run.
constexpr std::size_t log_small_chunk = std::size_t{1} << 16;
constexpr std::size_t log_small_chunk_pages = log_small_chunk / sizeof(page_data);
constexpr std::size_t log_chunks_most =
    (log_pages + log_small_chunk_pages - 1) / log_small_chunk_pages; // a chunk holds whole pages

struct free_release {
    void operator()(void* bytes) const;
};

struct page_log {
    image_memory memory;
    std::size_t chunk_pages; // pages a chunk holds
    std::unique_ptr<std::uint8_t[], chunk_release> chunks[2][log_chunks_most];
    std::unique_ptr<listed_as[], free_release> listed;
    std::size_t count; // pages taken, also past log_pages
    // A fingerprint of each of the image's own pages as the check's walk read them, the first
    // log_pages of them, for an image that may change before it is read again; null when none.
    std::unique_ptr<std::uint64_t[], free_release> prints;
    std::size_t printed;
};

// Starts `log`, a log of no pages, made in place: its chunks come from `memory`, or from malloc
// without its `take`.
void start_log(page_log& log, image_memory memory);

// Page k (below log_pages) of the image and of the listing's line for it, once written.
const page_data& image_page(const page_log& log, std::size_t k);
const page_data& listing_page(const page_log& log, std::size_t k);

// Where page k of the image, or of the listing's line for it, is written; null when there is no
// memory for it, and the log is then not whole.
page_data* image_slot(page_log& log, std::size_t k);
page_data* listing_slot(page_log& log, std::size_t k);

// The page's lines.
page_data data_of(const page_sums& page);

// Keeps the page, and the listing line it was compared with: null when none, or the same as the
// page, or its own, whose first checksum stands for the page's line `listing_first`. A page
// that matched, of an image that can be read again, need not be kept (not_kept): a check that
// matches then spends nothing on the log but a byte a page.
void log_page(page_log& log, const page_sums& page, listed_as listed,
              const listing_line* line = nullptr, unsigned listing_first = 0);

// Takes a fingerprint of each of the image's own pages as the check's walk hands them over.
void print_own_pages(page_log& log, const page_sums* pages, std::size_t count);

// Whether page k of the image, read again, is the page whose fingerprint was taken; true past
// those taken.
bool same_as_printed(const page_log& log, std::size_t k, const page_sums& page);

// How many of the image's own pages have a fingerprint.
std::size_t pages_printed(const page_log& log);

// The log is whole: it holds every page taken.
bool log_whole(const page_log& log);

// The data of the listing's line for page `k`; null when it has none.
const page_data* listing_data(const page_log& log, std::size_t k);

// Whether two pages' data are alike: the same lines, with the same data sums.
bool same_data(const page_data& a, const page_data& b);

#endif
