#include "check/page_history.h"

#include <algorithm>
#include <cstring>

namespace {

// A page held, kept or lent: where its first byte lies, how many, and the bytes.
struct held_page {
    std::uint32_t address;
    unsigned size;
    const std::uint8_t* bytes;
};

std::size_t held(const page_history& h) {
    return h.count + h.lent_count;
}

held_page held_at(const page_history& h, std::size_t i) {
    if (i < h.count) {
        const history_page& kept = h.pages[(h.first + i) % history_pages];
        return held_page{kept.address, kept.size, kept.bytes};
    }
    const page_sums& lent = h.lent[i - h.count];
    return held_page{page_address(lent) + lent.from, lent.bytes, lent.block + lent.from};
}

// The page that holds `address`, from the newest back: the check looks at recent bytes.
bool find(const page_history& h, std::uint32_t address, std::size_t& page, unsigned& at) {
    for (std::size_t i = held(h); i-- > 0;) {
        const held_page p = held_at(h, i);
        if (address - p.address < p.size) {
            page = i;
            at = address - p.address;
            return true;
        }
    }
    return false;
}

} // namespace

void lend_pages(page_history& history, const page_sums* pages, std::size_t count) {
    history.lent = pages;
    history.lent_count = count;
}

void give_back_pages(page_history& history) {
    const page_sums* pages = history.lent;
    const std::size_t count = history.lent_count;
    history.lent_count = 0;
    for (std::size_t i = count - std::min(count, history_pages); i < count; ++i) {
        remember_page(history, pages[i]);
    }
}

void remember_page(page_history& history, const page_sums& page) {
    if (history.count == history_pages) {
        history.first = (history.first + 1) % history_pages;
        --history.count;
    }
    history_page& kept = history.pages[(history.first + history.count++) % history_pages];
    kept.address = page_address(page) + page.from;
    kept.size = page.bytes;
    std::memcpy(kept.bytes, page.block + page.from, page.bytes);
}

std::size_t recall_bytes(const page_history& history, std::uint32_t address, std::uint8_t* out,
                         std::size_t n) {
    std::size_t page = 0;
    unsigned at = 0;
    std::size_t copied = 0;
    if (!find(history, address, page, at)) {
        return 0;
    }
    for (; page < held(history) && copied < n; ++page, at = 0) {
        const held_page p = held_at(history, page);
        if (p.address + at != address + static_cast<std::uint32_t>(copied)) {
            break; // a gap
        }
        const std::size_t k = std::min<std::size_t>(n - copied, p.size - at);
        std::memcpy(out + copied, p.bytes + at, k);
        copied += k;
    }
    return copied;
}

history_reader recall_from(const page_history& history, std::uint32_t address) {
    history_reader reader{&history, held(history), 0, address};
    find(history, address, reader.page, reader.from);
    return reader;
}

bool next_recalled(history_reader& reader, byte_run& run) {
    if (reader.page >= held(*reader.history)) {
        return false;
    }
    const held_page p = held_at(*reader.history, reader.page++);
    const std::uint32_t address = p.address + reader.from;
    run = byte_run{p.bytes + reader.from, p.size - reader.from, address != reader.next, address};
    reader.from = 0;
    reader.next = address + static_cast<std::uint32_t>(run.size);
    return true;
}
