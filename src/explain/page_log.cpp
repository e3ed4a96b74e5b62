#include "explain/page_log.h"

#include <cstdlib>
#include <cstring>
#include <new>

void free_release::operator()(void* bytes) const {
    std::free(bytes);
}

static_assert(image_chunk_size / sizeof(page_data) >= log_small_chunk_pages,
              "log_chunks_most chunks of either size hold log_pages pages");

void start_log(page_log& log, image_memory memory) {
    log.memory = memory;
    log.chunk_pages =
        memory.take != nullptr ? image_chunk_size / sizeof(page_data) : log_small_chunk_pages;
    log.listed.reset(static_cast<listed_as*>(std::malloc(log_pages * sizeof(listed_as))));
    log.count = log.listed ? 0 : log_pages + 1;
}

namespace {

const page_data& page_in(const page_log& log, int side, std::size_t k) {
    const std::uint8_t* chunk = log.chunks[side][k / log.chunk_pages].get();
    return *std::launder(
        reinterpret_cast<const page_data*>(chunk + (k % log.chunk_pages) * sizeof(page_data)));
}

page_data* slot_in(page_log& log, int side, std::size_t k) {
    auto& chunk = log.chunks[side][k / log.chunk_pages];
    if (!chunk) {
        const bool large = log.memory.take != nullptr;
        // Not zeroed: a page is written before it is read.
        std::uint8_t* bytes =
            large ? log.memory.take() : static_cast<std::uint8_t*>(std::malloc(log_small_chunk));
        if (bytes == nullptr) {
            log.count = log_pages + 1; // not whole
            return nullptr;
        }
        chunk.reset(bytes);
        chunk.get_deleter() = chunk_release{large ? log.memory.give_back : nullptr};
    }
    return ::new (chunk.get() + (k % log.chunk_pages) * sizeof(page_data)) page_data;
}

} // namespace

const page_data& image_page(const page_log& log, std::size_t k) {
    return page_in(log, 0, k);
}

const page_data& listing_page(const page_log& log, std::size_t k) {
    return page_in(log, 1, k);
}

page_data* image_slot(page_log& log, std::size_t k) {
    return slot_in(log, 0, k);
}

page_data* listing_slot(page_log& log, std::size_t k) {
    return slot_in(log, 1, k);
}

page_data data_of(const page_sums& page) {
    page_data data;
    data.lines =
        page.count == 0 ? 0 : (~std::uint32_t{0} >> (lines_per_page - page.count)) << page.first;
    data.page = static_cast<std::uint8_t>(page_address(page) >> 8);
    std::memcpy(data.checksum, page.line, sizeof data.checksum);
    return data;
}

namespace {

// Keeps page k of the log. Out of line: the check that matches calls log_page for every page
// and keeps none of them, and with this inlined each call saved and restored six registers for
// nothing (a check of 128 MiB that matches: 105 M instructions where 94 M, by callgrind).
[[gnu::noinline]] void keep_page(page_log& log, std::size_t k, const page_sums& page,
                                 listed_as listed, const listing_line* line,
                                 unsigned listing_first) {
    page_data* image = image_slot(log, k);
    page_data* own = listed == listed_as::own && image != nullptr ? listing_slot(log, k) : nullptr;
    if (image == nullptr) {
        return;
    }
    *image = data_of(page);
    if (own == nullptr) {
        return;
    }
    *own = page_data{};
    own->page = image->page;
    for (unsigned j = 0; j < line->count && listing_first + j < lines_per_page; ++j) {
        own->lines |= std::uint32_t{1} << (listing_first + j);
        own->checksum[listing_first + j] = line->checksum[j];
    }
}

} // namespace

void log_page(page_log& log, const page_sums& page, listed_as listed, const listing_line* line,
              unsigned listing_first) {
    const std::size_t k = log.count++;
    if (k >= log_pages) {
        return;
    }
    log.listed[k] = listed;
    if (listed != listed_as::not_kept) {
        keep_page(log, k, page, listed, line, listing_first);
    }
}

namespace {

std::uint64_t fold(std::uint64_t print, std::uint64_t word) {
    return (print ^ word) * 0x00000100000001B3u;
}

// Which of the page's lines are whole, and their checksums, folded a word at a time (FNV-1a):
// pages alike give one print. A fold is a bijection of the print for each word, and of the word
// for each print, so pages that differ in one word, as one byte changed makes them, never give
// one print. The total is left out: the lines give it, and a byte changed would change it too.
// Eight lines a fold, where one: the prints of a check of 32 MiB that matches took 2.8 M
// instructions where 14.6 M (callgrind).
std::uint64_t print_of(const page_sums& page) {
    std::uint8_t lines[lines_per_page] = {};
    std::memcpy(lines + page.first, page.line + page.first, page.count);
    std::uint64_t print = fold(0xCBF29CE484222325u, page.first | page.count << 8);
    for (unsigned i = 0; i < lines_per_page; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, lines + i, sizeof word);
        print = fold(print, word);
    }
    return print;
}

} // namespace

void print_own_pages(page_log& log, const page_sums* pages, std::size_t count) {
    if (!log.prints && log.printed == 0) {
        log.prints.reset(
            static_cast<std::uint64_t*>(std::malloc(log_pages * sizeof(std::uint64_t))));
    }
    for (std::size_t i = 0; log.prints && i < count && log.printed < log_pages; ++i) {
        log.prints[log.printed++] = print_of(pages[i]);
    }
}

bool same_as_printed(const page_log& log, std::size_t k, const page_sums& page) {
    return k >= log.printed || log.prints[k] == print_of(page);
}

std::size_t pages_printed(const page_log& log) {
    return log.printed;
}

bool log_whole(const page_log& log) {
    return log.count <= log_pages;
}

const page_data* listing_data(const page_log& log, std::size_t k) {
    switch (log.listed[k]) {
    case listed_as::none:
        return nullptr;
    case listed_as::same:
    case listed_as::not_kept: // read again before the log is read
        return &image_page(log, k);
    case listed_as::own:
        return &listing_page(log, k);
    }
    return nullptr;
}

bool same_data(const page_data& a, const page_data& b) {
    if (a.lines != b.lines) {
        return false;
    }
    const auto pages_apart = static_cast<std::uint8_t>(a.page - b.page);
    for (unsigned i = 0; i < lines_per_page; ++i) {
        if ((a.lines >> i & 1) != 0 &&
            static_cast<std::uint8_t>(a.checksum[i] - b.checksum[i]) != pages_apart) {
            return false;
        }
    }
    return true;
}
