// The explanations that read the image again: data lines, a header; and the image's own pages,
// read again after slips.

#include "explain/explain_reread.h"

#include <algorithm>
#include <cstring>

namespace {

// The image's bytes again, from byte `skip` on, each mapped through `table` (null: as they are).
struct mapped_bytes {
    byte_source image;
    const std::uint8_t* table;
    std::uint64_t skip;
    byte_run rest; // of the image's last run, not yet given
    std::uint8_t mapped[4096];
};

read_result next_mapped(void* state, byte_run& run) {
    auto& m = *static_cast<mapped_bytes*>(state);
    while (m.rest.size == 0) {
        const read_result got = m.image.next(m.image.state, m.rest);
        if (got != read_result::bytes) {
            return got;
        }
        const std::size_t skipped =
            static_cast<std::size_t>(std::min<std::uint64_t>(m.skip, m.rest.size));
        m.skip -= skipped;
        m.rest.bytes += skipped;
        m.rest.size -= skipped;
        m.rest.address += static_cast<std::uint32_t>(skipped);
    }
    run = m.rest;
    if (m.table != nullptr) {
        run.size = std::min(run.size, sizeof m.mapped);
        for (std::size_t i = 0; i < run.size; ++i) {
            m.mapped[i] = m.table[m.rest.bytes[i]];
        }
        run.bytes = m.mapped;
    }
    m.rest.bytes += run.size;
    m.rest.size -= run.size;
    m.rest.moved = false;
    return read_result::bytes;
}

// The pages of a walk held against the listing's lines: every one alike, as many as it has.
struct fit_walk {
    const page_log* log;
    std::size_t k, lines;
    bool alike;
};

bool take_fitting(void* state, const page_sums* pages, std::size_t count) {
    auto& f = *static_cast<fit_walk*>(state);
    for (std::size_t i = 0; i < count && f.alike; ++i, ++f.k) {
        f.alike = f.k < f.lines && same_data(data_of(pages[i]), *listing_data(*f.log, f.k));
    }
    return f.alike;
}

// Whether the page k of the image, without its first `skip` bytes and mapped through `table`,
// equals its listing line, read at that page alone; true when the image cannot be read there.
// The first page that differs tells most faults apart before a walk, which an image that is
// blank up to there (every bit exchange leaves FF as it is) would take to its end.
bool page_fits(const failed_check& check, std::size_t k, std::uint64_t skip,
               const std::uint8_t* table) {
    if (check.again.read_at == nullptr) {
        return true;
    }
    const page_data* listed = k < check.log.count ? listing_data(check.log, k) : nullptr;
    const unsigned offset = k == 0 ? check.start & 0xFFu : 0; // where the page's bytes begin
    std::uint8_t block[page_size] = {};
    const long n = listed == nullptr
                       ? 0
                       : check.again.read_at(check.again.read_state,
                                             skip + k * page_size - (check.start & 0xFFu) + offset,
                                             block + offset, page_size - offset);
    if (n <= 0) {
        return false;
    }
    for (long i = 0; table != nullptr && i < n; ++i) {
        block[offset + i] = table[block[offset + i]];
    }
    const std::uint32_t address =
        (check.start & ~0xFFu) + static_cast<std::uint32_t>(k * page_size) + offset;
    return same_data(data_of(sum_page(block, address, static_cast<std::size_t>(n))), *listed);
}

// Whether the image read again, without its first `skip` bytes, mapped through `table`, and
// placed at `start`, equals the listing's lines.
bool image_fits(const failed_check& check, std::uint64_t skip, const std::uint8_t* table) {
    if (!page_fits(check, check.differing, skip, table)) {
        return false;
    }
    mapped_bytes source{check.again.from_start(check.again.state), table, skip, byte_run{}, {}};
    fit_walk fit{&check.log, 0, listed_pages(check.log), true};
    const walk_status walked = walk_pages(byte_source{next_mapped, &source}, check.start,
                                          page_consumer{take_fitting, &fit, nullptr, nullptr});
    return walked == walk_status::complete && fit.alike && fit.k == fit.lines;
}

std::uint8_t exchange_bits(unsigned byte, unsigned b, unsigned c) {
    return static_cast<std::uint8_t>(((byte >> b ^ byte >> c) & 1) != 0 ? byte ^ (1u << b | 1u << c)
                                                                        : byte);
}

constexpr std::size_t header_least = 17;
constexpr std::size_t header_most = 4096;

// The image's own pages, read again in place of those of the image mended, which a slip that
// its fault looked like has moved.
struct own_pages {
    page_log* log;
    std::size_t listed; // pages the check compared with a listing line
    bool changed;       // a page is not the one the check read
};

bool take_own_pages(void* state, const page_sums* pages, std::size_t count) {
    auto& own = *static_cast<own_pages*>(state);
    page_log& r = *own.log;
    for (std::size_t i = 0; i < count && r.count < log_pages; ++i, ++r.count) {
        page_data* page = image_slot(r, r.count);
        own.changed = !same_as_printed(r, r.count, pages[i]);
        if (page == nullptr || own.changed) {
            return false; // the log is not whole, or the image changed
        }
        *page = data_of(pages[i]);
        r.listed[r.count] = r.count < own.listed ? r.listed[r.count] : listed_as::none;
    }
    return r.count < log_pages;
}

// The image's pages read again, each held to its fingerprint, and those that were not kept
// written into the log: they lie before any slip, so they are the image's own.
struct pages_again {
    page_log* log;
    std::size_t k, end;
    bool changed;
};

bool take_again(void* state, const page_sums* pages, std::size_t count) {
    auto& n = *static_cast<pages_again*>(state);
    page_log& r = *n.log;
    for (std::size_t i = 0; i < count && n.k < n.end; ++i, ++n.k) {
        n.changed = !same_as_printed(r, n.k, pages[i]);
        if (n.changed) {
            return false;
        }
        page_data* page = r.listed[n.k] == listed_as::not_kept ? image_slot(r, n.k) : nullptr;
        if (page != nullptr) {
            *page = data_of(pages[i]);
            r.listed[n.k] = listed_as::same;
        }
    }
    return n.k < n.end;
}

// What a walk of the image read again found, `delivered` of the `wanted` pages given.
reread walked_again(walk_status walked, bool changed, std::size_t delivered, std::size_t wanted) {
    if (walked == walk_status::read_failed) {
        return reread::failed;
    }
    return changed || delivered < wanted ? reread::changed : reread::same;
}

} // namespace

// How many pages from the first have a listing line: the lines a whole image must equal.
std::size_t listed_pages(const page_log& r) {
    std::size_t k = 0;
    while (k < r.count && r.listed[k] != listed_as::none) {
        ++k;
    }
    return k;
}

// Data lines exchanged, every data bit inverted, or one.
std::optional<explanation> data_lines(const failed_check& check) {
    std::uint8_t table[256];
    for (unsigned b = 0; b < 8; ++b) {
        for (unsigned c = b + 1; c < 8; ++c) {
            for (unsigned byte = 0; byte < 256; ++byte) {
                table[byte] = exchange_bits(byte, b, c);
            }
            if (image_fits(check, 0, table)) {
                return explanation{
                    explanation_kind::data_lines_exchanged, nullptr, nullptr, b, c, 0, 0};
            }
        }
    }
    for (int bit = -1; bit < 8; ++bit) { // -1: every bit
        for (unsigned byte = 0; byte < 256; ++byte) {
            table[byte] = static_cast<std::uint8_t>(byte ^ (bit < 0 ? 0xFFu : 1u << bit));
        }
        if (image_fits(check, 0, table)) {
            return explanation{bit < 0 ? explanation_kind::every_bit_inverted
                                       : explanation_kind::bit_inverted,
                               nullptr,
                               nullptr,
                               static_cast<unsigned>(bit < 0 ? 0 : bit),
                               0,
                               0,
                               0};
        }
    }
    return std::nullopt;
}

// A header before the image: the smallest of 17 to 4096 bytes without which the image fits.
// The first page tells the few that may (one sum of a page each), a walk each whether it does.
std::optional<explanation> header(const failed_check& check) {
    if (check.again.read_at == nullptr) {
        return std::nullopt;
    }
    for (std::size_t h = header_least; h <= header_most; ++h) {
        if (page_fits(check, 0, h, nullptr) && image_fits(check, h, nullptr)) {
            return explanation{explanation_kind::header, nullptr, nullptr, 0, 0, 0, h};
        }
    }
    return std::nullopt;
}

reread read_pages_again(const failed_check& check) {
    page_log& r = check.log;
    std::size_t end = pages_printed(r); // after the last page to read
    for (std::size_t k = 0; k < std::min(r.count, log_pages); ++k) {
        end = r.listed[k] == listed_as::not_kept ? std::max(end, k + 1) : end;
    }
    if (end == 0) {
        return reread::same;
    }
    pages_again pages{&r, 0, end, false};
    mapped_bytes source{check.again.from_start(check.again.state), nullptr, 0, byte_run{}, {}};
    const walk_status walked = walk_pages(byte_source{next_mapped, &source}, check.start,
                                          page_consumer{take_again, &pages, nullptr, nullptr});
    return walked_again(walked, pages.changed, pages.k, end);
}

reread read_own_pages(const failed_check& check) {
    page_log& r = check.log;
    const std::size_t taken = r.count;
    for (std::size_t k = 0; k < taken; ++k) { // the listing's lines that were the image's
        if (r.listed[k] != listed_as::same) {
            continue;
        }
        page_data* listed = listing_slot(r, k);
        if (listed == nullptr) {
            return reread::same; // the log is not whole
        }
        *listed = image_page(r, k);
        r.listed[k] = listed_as::own;
    }
    own_pages own{&check.log, check.log.count, false};
    check.log.count = 0;
    mapped_bytes source{check.again.from_start(check.again.state), nullptr, 0, byte_run{}, {}};
    const walk_status walked = walk_pages(byte_source{next_mapped, &source}, check.start,
                                          page_consumer{take_own_pages, &own, nullptr, nullptr});
    return walked_again(walked, own.changed, check.log.count,
                        std::min(pages_printed(check.log), log_pages));
}
