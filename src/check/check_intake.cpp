#include "check/check_intake.h"

#include "check/check_queue.h"
#include "check/check_steps.h"
#include "listing/page_text.h"

namespace {

// The text of the pages of one call, as the tool writes them.
char own_text[text_pages * page_text_max + (page_text_room - page_text_max)];

// Uses up the pages whose text, exactly as the tool writes it, the listing holds next: a run of
// them in one comparison when it can, else one at a time. `text` holds theirs from `offset` on;
// returns how many, and moves `offset` past their text. This path takes every page
// that a listing in the tool's own format matches; the rules take the rest.
std::size_t take_own_text(check_state& c, const page_sums* pages, std::size_t count,
                          const char* text, std::size_t& offset, bool own) {
    std::size_t length = offset; // the end of these pages' text
    for (std::size_t i = 0; i < count; ++i) {
        length += page_text_length(pages[i].count) + 1;
    }
    std::size_t taken = 0;
    if (take_lines(c.listing, text + offset, length - offset, count)) {
        taken = count;
        offset = length;
    } else {
        for (; taken < count; ++taken) {
            const std::size_t line = page_text_length(pages[taken].count);
            if (!take_line(c.listing, text + offset, line)) {
                break;
            }
            offset += line + 1;
        }
    }
    // Summed in a local: through the state, each page waited on the one before (this loop's
    // share of a whole check's profile fell from 12% to 6%).
    byte_traits used = c.used;
    // The image realigned is not read again: its pages are kept.
    const listed_as kept = c.options.again.from_start != nullptr && !c.realigned
                               ? listed_as::not_kept
                               : listed_as::same;
    for (std::size_t i = 0; i < taken; ++i) {
        add_traits(used, pages[i]);
        log_page(c.log, pages[i], kept);
    }
    c.used = used;
    c.wants_bits = used.bits_and != 0x00 || used.bits_or != 0xFF;
    // The last page stays at hand: what the rules compare next may reach back into it (two
    // typed lines exchanged across pages).
    if (taken > 0 && own) {
        remember_page(c.history, pages[taken - 1]);
    }
    if (taken > 0) {
        pass_page(c, pages[taken - 1]);
    }
    c.steps += taken;
    if (taken > 0) {
        c.last_page_line = c.listing.line_number; // the pages' lines were the lines taken
    }
    c.any_line = c.any_line || taken > 0;
    c.first_judged = c.first_judged || taken > 0;
    return taken;
}

// How many of the pages come before the first that holds a note yet to be reported: a note's
// page goes to the rules, which report it.
std::size_t before_note(const check_state& c, const page_sums* pages, std::size_t count) {
    const image_text& text = c.options.text;
    if (c.next_note >= text.note_count) {
        return count;
    }
    const std::uint32_t note = text.notes[c.next_note].address - c.start;
    for (std::size_t i = 0; i < count; ++i) {
        if (note < page_address(pages[i]) + c.shift + page_size - c.start) {
            return i;
        }
    }
    return count;
}

bool queues_empty(const check_state& c) {
    return c.page_count == 0 && c.line_count == 0 && c.claims == 0 && !c.rest.waiting;
}

} // namespace

intake take_some(check_state& c, const page_sums* pages, std::size_t count, bool own) {
    format_pages(pages, count, own_text);
    std::size_t offset = 0;
    intake in{0, rules_outcome{rules_end::more, {}}};
    while (in.taken < count) {
        if (queues_empty(c)) {
            in.taken += take_own_text(c, pages + in.taken,
                                      before_note(c, pages + in.taken, count - in.taken), own_text,
                                      offset, own);
            if (in.taken == count) {
                break;
            }
        }
        push_page(c, pages[in.taken]);
        if (own) {
            remember_page(c.history, pages[in.taken]);
        }
        offset += page_text_length(pages[in.taken].count) + 1;
        ++in.taken;
        in.outcome = advance(c);
        if (in.outcome.end != rules_end::more) {
            break;
        }
    }
    return in;
}
