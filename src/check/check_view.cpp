#include "check/check_view.h"

#include "check/check_pair.h"
#include "check/check_queue.h"

#include <algorithm>

namespace {

// Whether the image's byte at its own `address` is fill: it lies within the image, past its first
// byte, and no byte of the file is there.
bool is_fill(const check_state& c, std::uint32_t address) {
    return address - c.start < 0x80000000u && !from_file(c, address);
}

enum class line_fill { none, only, after, before };

// How the page's line at `address` (as the rules compare it) holds fill: none, only fill, the
// file's last bytes then fill, or fill then the file's bytes (`count` of it).
line_fill fill_of(const check_state& c, std::uint32_t address, unsigned& count) {
    const std::uint32_t own = own_address(c, address);
    unsigned pattern = 0;
    for (unsigned i = 0; i < line_size; ++i) {
        pattern |= is_fill(c, own + i) ? 1u << i : 0;
    }
    count = count_bits(pattern);
    if (pattern == 0) {
        return line_fill::none;
    }
    if (pattern == 0xFFu) {
        return line_fill::only;
    }
    const bool leading = (pattern & (pattern + 1)) == 0; // the low bits set, the rest clear
    const unsigned clear = ~pattern & 0xFFu; // the file's bytes: the low ones, for `after`
    const bool trailing = (clear & (clear + 1)) == 0;
    return leading ? line_fill::before : trailing ? line_fill::after : line_fill::none;
}

// The page's lines [first, last) as a page of their own: its total their data bytes'.
page_sums lines_of(const page_sums& page, unsigned first, unsigned last) {
    page_sums view = page;
    view.first = first;
    view.count = last - first;
    const std::uint32_t base = page_address(page);
    unsigned total = 0;
    for (unsigned i = first; i < last; ++i) {
        total += static_cast<std::uint8_t>(view.line[i] - line_seed(base + 8 * i));
    }
    view.total = static_cast<std::uint8_t>(total);
    view.next_address = base + 8 * last;
    return view;
}

// Reports the hole that the fill at `address` (the image's own) is in, unless it was already.
void report_hole(check_state& c, std::uint32_t address, std::uint32_t shown) {
    if (address - c.hole_start < c.hole_end - c.hole_start) {
        return;
    }
    const image_text& text = c.options.text;
    c.hole_start = address;
    c.hole_end = text.next_file_byte(text.state, address);
    check_report r = image_report(c, report_kind::bytes_left_out, shown, c.hole_end - address);
    r.image_address = c.hole_end; // the line after the hole
    report(c, r);
}

// The first of the line's bytes that is a hole's, from its own `address` on; 8 when none is.
unsigned hole_in(const check_state& c, std::uint32_t address) {
    for (unsigned i = 0; i < line_size; ++i) {
        if (is_fill(c, address + i)) {
            const image_text& text = c.options.text;
            const std::uint32_t next = text.next_file_byte(text.state, address + i);
            return from_file(c, next) ? i : line_size;
        }
    }
    return line_size;
}

// Whether the line at `address` meets the bytes [from, end).
bool overlaps(std::uint32_t address, std::uint32_t from, std::uint32_t end) {
    return from != end && address < end && std::uint64_t{address} + line_size > from;
}

} // namespace

page_sums without_fill(const check_state& c, const page_sums& page, const listing_line& line) {
    if (c.options.text.text_line == nullptr || line.count >= page.count) {
        return page;
    }
    const std::uint32_t base = page_address(page);
    line_fill fill[lines_per_page];
    unsigned count[lines_per_page];
    for (unsigned i = page.first; i < page.first + page.count; ++i) {
        fill[i] = fill_of(c, base + 8 * i, count[i]);
    }
    unsigned first = page.first;
    unsigned last = page.first + page.count;
    while (first < last && fill[first] == line_fill::only) {
        ++first;
    }
    while (last > first && fill[last - 1] == line_fill::only) {
        --last;
    }
    if (last > first && fill[last - 1] == line_fill::after) {
        --last; // the file's last bytes, which fill no whole line
    }
    for (unsigned i = first; i < last; ++i) {
        if (fill[i] != line_fill::none && !(i == first && fill[i] == line_fill::before)) {
            return page; // fill among the file's lines: compared as it is
        }
    }
    if (last - first != line.count) {
        return page;
    }
    page_sums view = page;
    if (last > first && fill[first] == line_fill::before) {
        // Before a block of the file's bytes, the fill counts as zero, as before a start.
        view.line[first] =
            static_cast<std::uint8_t>(view.line[first] - c.options.fill * count[first]);
    }
    return lines_of(view, first, last);
}

bool in_hole(const check_state& c, std::uint32_t address) {
    const image_text& text = c.options.text;
    const std::uint32_t own = own_address(c, address);
    return text.next_file_byte != nullptr && is_fill(c, own) &&
           from_file(c, text.next_file_byte(text.state, own));
}

void report_passed_hole(check_state& c, std::uint32_t address) {
    report_hole(c, own_address(c, address), address);
}

bool fits_past_fill(const check_state& c, const page_sums& page, const listing_line& line) {
    const std::uint32_t base = page_address(page);
    const unsigned end = page.first + page.count;
    unsigned first = page.first; // the first line that holds a byte of the file
    unsigned count = 0;
    while (first < end && fill_of(c, base + 8 * first, count) == line_fill::only) {
        ++first;
    }
    const unsigned listing_first = line.count == page.count       ? page.first
                                   : line.count == lines_per_page ? 0
                                                                  : first;
    unsigned compared = 0;
    unsigned differing = 0;
    for (unsigned i = std::max(first, listing_first); i < std::min(end, listing_first + line.count);
         ++i) {
        if (fill_of(c, base + 8 * i, count) == line_fill::none) {
            ++compared;
            differing += page.line[i] != line.checksum[i - listing_first] ? 1 : 0;
        }
    }
    return compared > 0 && (differing == 0 || (differing == 1 && compared >= 4));
}

std::uint32_t lines_explained(check_state& c, const page_sums& page, const listing_line& line,
                              unsigned listing_first, bool& any) {
    const std::uint32_t base = page_address(page);
    any = report_notes_before(c, own_address(c, base) + page_size);
    std::uint32_t lines = 0;
    const unsigned end = std::min(page.first + page.count, listing_first + line.count);
    for (unsigned i = std::max(page.first, listing_first); i < end; ++i) {
        const std::uint32_t own = own_address(c, base + 8 * i);
        const bool unknown = overlaps(own, c.unknown_from, c.unknown_end);
        const unsigned hole = c.options.text.next_file_byte != nullptr ? hole_in(c, own) : 8;
        if (hole < line_size) {
            report_hole(c, own + hole, base + 8 * i + hole);
            any = true;
        }
        const bool explained = overlaps(own, c.explained_from, c.explained_end);
        if (unknown || hole < line_size || explained) {
            lines |= std::uint32_t{1} << i;
        }
    }
    return lines;
}

page_sums with_listed_lines(const page_sums& page, const listing_line& line, unsigned listing_first,
                            std::uint32_t lines) {
    page_sums view = page;
    for (unsigned i = 0; i < lines_per_page; ++i) {
        if ((lines >> i & 1) != 0) {
            const std::uint8_t listed = line.checksum[i - listing_first];
            view.total = static_cast<std::uint8_t>(view.total + listed - view.line[i]);
            view.line[i] = listed;
        }
    }
    return view;
}

bool report_notes_before(check_state& c, std::uint32_t address) {
    const image_text& text = c.options.text;
    bool any = false;
    for (; c.next_note < text.note_count &&
           text.notes[c.next_note].address - c.start < address - c.start;
         ++c.next_note) {
        const image_note& note = text.notes[c.next_note];
        check_report r =
            image_report(c,
                         note.kind == note_kind::bad_character ? report_kind::bad_character
                                                               : report_kind::label_out_of_order,
                         note.address);
        r.number = note.line;
        r.note = &note;
        report(c, r);
        if (note.bytes > 0) {
            c.unknown_from = note.from;
            c.unknown_end = note.from + note.bytes;
        }
        any = true;
    }
    return any;
}
