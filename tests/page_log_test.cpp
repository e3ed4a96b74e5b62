#include "explain/page_log.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

std::uint8_t* take_chunk() {
    return static_cast<std::uint8_t*>(std::malloc(image_chunk_size));
}

void give_back_chunk(std::uint8_t* chunk) {
    std::free(chunk);
}

// The log holds every page it claims, each of its own data and its listing line's, with the
// image's chunks or the small ones; past its pages it is not whole.
TEST(PageLog, HoldsEveryPageItClaims) {
    for (const image_memory memory :
         {image_memory{nullptr, nullptr}, image_memory{take_chunk, give_back_chunk}}) {
        page_log log{};
        start_log(log, memory);
        for (std::size_t k = 0; k <= log_pages; ++k) {
            page_sums page{};
            page.count = lines_per_page;
            page.next_address = static_cast<std::uint32_t>(k + 1) << 8;
            page.line[0] = static_cast<std::uint8_t>(k);
            page.line[1] = static_cast<std::uint8_t>(k >> 8);
            listing_line line{};
            line.count = lines_per_page;
            line.checksum[0] = static_cast<std::uint8_t>(~k);
            log_page(log, page, listed_as::own, &line);
        }
        EXPECT_FALSE(log_whole(log));
        std::size_t wrong = 0;
        for (std::size_t k = 0; k < log_pages; ++k) {
            const page_data& image = image_page(log, k);
            const page_data* listed = listing_data(log, k);
            wrong += image.checksum[0] != static_cast<std::uint8_t>(k) ||
                             image.checksum[1] != static_cast<std::uint8_t>(k >> 8) ||
                             listed == nullptr ||
                             listed->checksum[0] != static_cast<std::uint8_t>(~k)
                         ? 1
                         : 0;
        }
        EXPECT_EQ(wrong, 0u) << (memory.take != nullptr ? "image chunks" : "small chunks");
    }
}

// A byte changed changes a line's checksum and the page total by one amount: every such page,
// read again, is told from the page the check read, whichever lines are whole.
TEST(PageLog, TellsAPageWhoseByteChanged) {
    struct row {
        unsigned first, count, changed;
    };
    for (const row r :
         {row{0, 1, 0}, row{0, 32, 0}, row{5, 27, 12}, row{27, 5, 31}, row{31, 1, 31}}) {
        std::size_t missed = 0;
        for (unsigned was = 0; was < 256; ++was) {
            page_log log{};
            page_sums page{};
            page.first = r.first;
            page.count = r.count;
            for (unsigned i = 0; i < lines_per_page; ++i) {
                page.line[i] = static_cast<std::uint8_t>(37 * i + 11);
            }
            page.line[r.changed] = page.total = static_cast<std::uint8_t>(was);
            print_own_pages(log, &page, 1);
            for (unsigned by = 1; by < 256; ++by) {
                page_sums changed = page;
                changed.line[r.changed] = changed.total = static_cast<std::uint8_t>(was + by);
                missed += same_as_printed(log, 0, changed) ? 1 : 0;
            }
        }
        EXPECT_EQ(missed, 0u) << "lines " << r.first << " to " << r.first + r.count - 1;
    }
}

} // namespace
