#include "page_record.h"

#include "check_pair.h"

#include <cstring>

page_record start_record() {
    // Not zeroed: a page's data is written before it is read, and memory that is never written
    // is never taken from the system.
    return page_record{std::unique_ptr<page_data[]>(new page_data[record_pages]),
                       std::unique_ptr<page_data[]>(new page_data[record_pages]),
                       std::unique_ptr<listed_as[]>(new listed_as[record_pages]), 0};
}

page_data data_of(const page_sums& page) {
    const std::uint32_t base = page_address(page);
    page_data data{};
    data.lines = 0;
    for (unsigned i = page.first; i < page.first + page.count; ++i) {
        data.lines |= std::uint32_t{1} << i;
        data.sum[i] = static_cast<std::uint8_t>(page.line[i] - line_seed(base + 8 * i));
    }
    return data;
}

void record_page(page_record& record, const page_sums& page, listed_as listed,
                 const listing_line* line, unsigned listing_first) {
    const std::size_t k = record.count++;
    if (k >= record_pages) {
        return;
    }
    const std::uint32_t base = page_address(page);
    record.image[k] = data_of(page);
    record.listed[k] = listed;
    if (listed != listed_as::own) {
        return;
    }
    page_data& own = record.listing[k];
    own = page_data{};
    for (unsigned j = 0; j < line->count && listing_first + j < lines_per_page; ++j) {
        const unsigned i = listing_first + j;
        own.lines |= std::uint32_t{1} << i;
        own.sum[i] = static_cast<std::uint8_t>(line->checksum[j] - line_seed(base + 8 * i));
    }
}

bool record_whole(const page_record& record) {
    return record.count <= record_pages;
}

const page_data* listing_data(const page_record& record, std::size_t k) {
    switch (record.listed[k]) {
    case listed_as::none:
        return nullptr;
    case listed_as::same:
        return &record.image[k];
    case listed_as::own:
        return &record.listing[k];
    }
    return nullptr;
}

bool same_data(const page_data& a, const page_data& b) {
    if (a.lines != b.lines) {
        return false;
    }
    for (unsigned i = 0; i < lines_per_page; ++i) {
        if ((a.lines >> i & 1) != 0 && a.sum[i] != b.sum[i]) {
            return false;
        }
    }
    return true;
}
