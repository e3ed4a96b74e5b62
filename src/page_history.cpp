#include "page_history.h"

#include <algorithm>
#include <cstring>

namespace {

const history_page& page_at(const page_history& h, std::size_t i) {
    return h.pages[(h.first + i) % history_pages];
}

// The page that holds `address`, from the newest back: the check looks at recent bytes.
bool find(const page_history& h, std::uint32_t address, std::size_t& page, unsigned& at) {
    for (std::size_t i = h.count; i-- > 0;) {
        const std::uint32_t offset = address - page_at(h, i).address;
        if (offset < page_at(h, i).size) {
            page = i;
            at = offset;
            return true;
        }
    }
    return false;
}

} // namespace

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
    for (; page < history.count && copied < n; ++page, at = 0) {
        const history_page& p = page_at(history, page);
        if (p.address + at != address + copied) {
            break; // a gap
        }
        const std::size_t k = std::min<std::size_t>(n - copied, p.size - at);
        std::memcpy(out + copied, p.bytes + at, k);
        copied += k;
    }
    return copied;
}

history_reader recall_from(const page_history& history, std::uint32_t address,
                           std::uint32_t shift) {
    history_reader reader{&history, history.count, 0, shift, address};
    find(history, address, reader.page, reader.from);
    return reader;
}

bool next_recalled(history_reader& reader, byte_run& run) {
    if (reader.page >= reader.history->count) {
        return false;
    }
    const history_page& p = page_at(*reader.history, reader.page++);
    const std::uint32_t address = p.address + reader.from;
    run = byte_run{p.bytes + reader.from, p.size - reader.from, address != reader.next,
                   address - reader.shift};
    reader.from = 0;
    reader.next = address + static_cast<std::uint32_t>(run.size);
    return true;
}
