// The image mended after a slip: a walk of its bytes placed anew, which the check takes in place
// of the image's own pages.

#include "check/check_rules.h"

#include <algorithm>
#include <cstring>

namespace {

bool take_mended_pages(void* state, const page_sums* pages, std::size_t count) {
    auto& c = *static_cast<check_state*>(state);
    for (std::size_t i = 0; i < count && !c.restart;) {
        std::size_t taken = 0;
        if (!take_some(c, pages + i, std::min(text_pages, count - i), false, taken)) {
            return false;
        }
        i += taken;
    }
    return !c.restart; // a later slip: the mended walk starts again
}

page_consumer mended_consumer(check_state& c) {
    return page_consumer{take_mended_pages, &c, nullptr, &c.wants_bits};
}

// Whether the image's `n` bytes from its own address `own` are all fill.
bool only_fill(const check_state& c, std::uint32_t own, unsigned n) {
    for (unsigned i = 0; i < n; ++i) {
        if (from_file(c, own + i)) {
            return false;
        }
    }
    return true;
}

// At the image's next gap the mended image ends with the page it is in, as the image did with
// its own: the fill that a slip moved past that page is left out, and what it moved short of
// the page's end is filled.
bool end_stretch(check_state& c) {
    const unsigned into = (c.fed - c.shift) & 0xFFu; // bytes of the mended image's last page
    if (into != 0 && c.shift != 0) {
        if (only_fill(c, c.fed - into, into)) {
            return true; // the walk starts anew without them
        }
        std::uint8_t fill[page_size];
        std::memset(fill, c.options.fill, page_size - into);
        if (!walk_run(c.mended_walk, byte_run{fill, page_size - into})) {
            return false;
        }
    }
    return end_walk(c.mended_walk);
}

// Walks the mended image on over the image's own bytes from its address `own`. A slip holds up
// to the image's next gap: past one, a typed block's label, say, gives its bytes their address.
bool feed(check_state& c, const std::uint8_t* bytes, std::size_t size, std::uint32_t own) {
    if (own != c.fed) {
        if (!end_stretch(c)) {
            return false;
        }
        c.shift = 0;
        start_walk(c.mended_walk, own, mended_consumer(c));
    }
    c.fed = own + static_cast<std::uint32_t>(size);
    return walk_run(c.mended_walk, byte_run{bytes, size});
}

} // namespace

// Walks the image mended anew from the slip last found, over the pages kept since; and again
// while a later slip is found among them.
bool walk_mended_again(check_state& c) {
    while (c.restart) {
        c.restart = false;
        start_walk(c.mended_walk, c.resume, mended_consumer(c));
        c.fed = c.resume + c.shift;
        history_reader reader = recall_from(c.history, c.fed);
        byte_run run{};
        bool walking = true;
        while (walking && next_recalled(reader, run)) {
            walking = feed(c, run.bytes, run.size, run.address);
        }
        if (!walking && !c.restart) {
            return false;
        }
    }
    return true;
}

// Once a slip is mended, the image's pages are walked again, placed anew, in runs as long as
// their bytes lie one after another (a run of pages walked page by page measured twice as slow).
// They are lent to the history for the walk, so that a later slip can walk them again.
bool take_to_mend(check_state& c, const page_sums* pages, std::size_t count) {
    lend_pages(c.history, pages, count);
    bool walking = true;
    for (std::size_t i = 0; walking && i < count;) {
        const std::uint32_t address = page_address(pages[i]) + pages[i].from;
        const std::uint8_t* bytes = pages[i].block + pages[i].from;
        std::size_t size = pages[i].bytes;
        for (++i;
             i < count && pages[i].block + pages[i].from == bytes + size &&
             page_address(pages[i]) + pages[i].from == address + static_cast<std::uint32_t>(size);
             ++i) {
            size += pages[i].bytes;
        }
        if (!feed(c, bytes, size, address)) {
            // A later slip: walked again from there to the last page lent. Else the check ended.
            walking = c.restart && walk_mended_again(c);
            break;
        }
    }
    give_back_pages(c.history);
    return walking;
}

// Ends the walk of the mended image: its last page, and again after each later slip.
bool end_mended_walk(check_state& c) {
    while (!end_walk(c.mended_walk)) {
        if (!c.restart || !walk_mended_again(c)) {
            return false;
        }
    }
    return true;
}
