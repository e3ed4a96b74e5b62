// The image mended after a slip: a walk of its bytes placed anew, which the check takes in place
// of the image's own pages.

#include "check_rules.h"

#include <algorithm>

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

} // namespace

// Walks the image mended anew from the slip last found, over the pages kept since; and again
// while a later slip is found among them.
bool walk_mended_again(check_state& c) {
    while (c.restart) {
        c.restart = false;
        start_walk(c.mended_walk, c.resume, mended_consumer(c));
        history_reader reader = recall_from(c.history, c.resume + c.shift, c.shift);
        byte_run run{};
        bool walking = true;
        while (walking && next_recalled(reader, run)) {
            walking = walk_run(c.mended_walk, run);
        }
        c.fed = reader.next;
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
        const byte_run run{bytes, size, address != c.fed, address - c.shift};
        c.fed = address + static_cast<std::uint32_t>(size);
        if (!walk_run(c.mended_walk, run)) {
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
