#include "check/check_realign.h"

#include "check/check_intake.h"
#include "check/check_queue.h"

#include <algorithm>
#include <cstring>

namespace {

// Takes the realigned image's pages into the check. A later slip stops the walk, and is kept for
// the walk to start again from it.
bool take_realigned_pages(void* state, const page_sums* pages, std::size_t count) {
    auto& c = *static_cast<check_state*>(state);
    for (std::size_t i = 0; i < count;) {
        const intake in = take_some(c, pages + i, std::min(text_pages, count - i), false);
        i += in.taken;
        if (in.outcome.end == rules_end::slip) {
            c.realign.found = in.outcome.slip;
        }
        if (in.outcome.end != rules_end::more) {
            return false;
        }
    }
    return true;
}

page_consumer realigned_consumer(check_state& c) {
    return page_consumer{take_realigned_pages, &c, nullptr, &c.wants_bits};
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

// At the image's next gap the realigned image ends with the page it is in, as the image did with
// its own: the fill that a slip moved past that page is left out, and what it moved short of
// the page's end is filled.
bool end_stretch(check_state& c) {
    const unsigned into = (c.realign.fed - c.shift) & 0xFFu; // bytes of its last page
    if (into != 0 && c.shift != 0) {
        if (only_fill(c, c.realign.fed - into, into)) {
            return true; // the walk starts anew without them
        }
        std::uint8_t fill[page_size];
        std::memset(fill, c.options.fill, page_size - into);
        if (!walk_run(c.realign.walker, byte_run{fill, page_size - into})) {
            return false;
        }
    }
    return end_walk(c.realign.walker);
}

// Walks the realigned image on over the image's own bytes from its address `own`. A slip holds up
// to the image's next gap: past one, a typed block's label, say, gives its bytes their address.
bool feed(check_state& c, const std::uint8_t* bytes, std::size_t size, std::uint32_t own) {
    if (own != c.realign.fed) {
        if (!end_stretch(c)) {
            return false;
        }
        c.shift = 0;
        start_walk(c.realign.walker, own, realigned_consumer(c));
    }
    c.realign.fed = own + static_cast<std::uint32_t>(size);
    return walk_run(c.realign.walker, byte_run{bytes, size});
}

} // namespace

bool walk_realigned_from(check_state& c, found_slip slip) {
    for (;;) {
        c.realigned = true;
        c.shift = slip.shift;
        c.realign.found.reset();
        start_walk(c.realign.walker, slip.resume, realigned_consumer(c));
        c.realign.fed = slip.resume + slip.shift;
        history_reader reader = recall_from(c.history, c.realign.fed);
        byte_run run{};
        bool walking = true;
        while (walking && next_recalled(reader, run)) {
            walking = feed(c, run.bytes, run.size, run.address);
        }
        if (walking) {
            return true;
        }
        if (!c.realign.found) {
            return false;
        }
        slip = *c.realign.found;
    }
}

// Past a slip, the image's pages are walked again, placed anew, in runs as long as their bytes
// lie one after another (a run of pages walked page by page measured twice as slow). They are
// lent to the history for the walk, so that a later slip can walk them again.
bool take_realigned(check_state& c, const page_sums* pages, std::size_t count) {
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
            walking = c.realign.found && walk_realigned_from(c, *c.realign.found);
            break;
        }
    }
    give_back_pages(c.history);
    return walking;
}

bool end_realigned_walk(check_state& c) {
    while (!end_walk(c.realign.walker)) {
        if (!c.realign.found || !walk_realigned_from(c, *c.realign.found)) {
            return false;
        }
    }
    return true;
}
