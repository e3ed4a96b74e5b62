#include "page_record.h"

#include <cstring>
#include <new>

page_record start_record(image_memory memory) {
    page_record record{};
    for (auto& chunk : record.chunks) {
        // Not zeroed: a page is written before it is read.
        std::uint8_t* bytes = memory.take != nullptr ? memory.take()
                                                     : new (std::nothrow)
                                                           std::uint8_t[image_chunk_size];
        if (bytes == nullptr) {
            record.count = record_pages + 1; // not whole
            return record;
        }
        chunk =
            std::unique_ptr<std::uint8_t[], chunk_release>(bytes, chunk_release{memory.give_back});
        for (std::size_t i = 0; i < record_chunk_pages; ++i) {
            ::new (bytes + i * sizeof(page_data)) page_data; // writes nothing
        }
    }
    record.listed.reset(new (std::nothrow) listed_as[record_pages]);
    record.count = record.listed ? 0 : record_pages + 1;
    return record;
}

page_data& image_page(const page_record& record, std::size_t k) {
    return reinterpret_cast<page_data*>(
        record.chunks[k / record_chunk_pages].get())[k % record_chunk_pages];
}

page_data& listing_page(const page_record& record, std::size_t k) {
    return reinterpret_cast<page_data*>(
        record.chunks[record_chunks + k / record_chunk_pages].get())[k % record_chunk_pages];
}

page_data data_of(const page_sums& page) {
    page_data data;
    data.lines =
        page.count == 0 ? 0 : (~std::uint32_t{0} >> (lines_per_page - page.count)) << page.first;
    data.page = static_cast<std::uint8_t>(page_address(page) >> 8);
    std::memcpy(data.checksum, page.line, sizeof data.checksum);
    return data;
}

void record_page(page_record& record, const page_sums& page, listed_as listed,
                 const listing_line* line, unsigned listing_first) {
    const std::size_t k = record.count++;
    if (k >= record_pages) {
        return;
    }
    record.listed[k] = listed;
    if (listed == listed_as::not_kept) {
        return;
    }
    image_page(record, k) = data_of(page);
    if (listed != listed_as::own) {
        return;
    }
    page_data& own = listing_page(record, k);
    own = page_data{};
    own.page = image_page(record, k).page;
    for (unsigned j = 0; j < line->count && listing_first + j < lines_per_page; ++j) {
        own.lines |= std::uint32_t{1} << (listing_first + j);
        own.checksum[listing_first + j] = line->checksum[j];
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
    case listed_as::not_kept: // read again before the record is read
        return &image_page(record, k);
    case listed_as::own:
        return &listing_page(record, k);
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
