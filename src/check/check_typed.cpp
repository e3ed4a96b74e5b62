#include "check/check_typed.h"

#include "check/check_pair.h"
#include "check/check_queue.h"

#include <algorithm>
#include <cstring>

namespace {

// The listing's checksum of the line at index `i` of P at `base` (L's, its first checksum
// standing for line `listing_first`), or of the next page (when the image goes on into it).
bool listed_checksum(check_state& c, const queued_line& line, unsigned listing_first,
                     std::uint32_t base, unsigned i, std::uint8_t& checksum) {
    const listing_line* holder = &line.line;
    if (i >= lines_per_page) {
        const page_sums* next = page_ahead(c, 1);
        const queued_line* after = next_page_line(c);
        if (next == nullptr || page_address(*next) - base != page_size || after == nullptr) {
            return false;
        }
        holder = &after->line;
        i -= lines_per_page;
        listing_first = 0;
    }
    if (i < listing_first || i - listing_first >= holder->count || i >= 2 * lines_per_page) {
        return false;
    }
    checksum = holder->checksum[i - listing_first];
    return true;
}

// Whether the image's lines from its own `end` on fit the listing as they are, the four that
// the listing holds and the image has.
bool fits_after(check_state& c, const queued_line& line, unsigned listing_first, std::uint32_t base,
                std::uint32_t end) {
    const std::uint32_t shift = own_address(c, base) - base;
    std::uint8_t bytes[4 * line_size];
    const std::size_t held = recall_bytes(c.history, end, bytes, sizeof bytes);
    for (std::size_t at = 0; at + line_size <= held; at += line_size) {
        const std::uint32_t address = end + static_cast<std::uint32_t>(at) - shift;
        std::uint8_t want = 0;
        if (!listed_checksum(c, line, listing_first, base, (address - base) / line_size, want)) {
            break;
        }
        unsigned sum = line_seed(address);
        for (std::size_t k = 0; k < line_size; ++k) {
            sum += bytes[at + k];
        }
        if (static_cast<std::uint8_t>(sum) != want) {
            return false;
        }
    }
    return true;
}

// The bytes of the lines that `first` and `second` touch, from `from` on (`n` of them), as the
// image holds them and exchanged back: how many the image holds, 0 when it does not hold both.
std::size_t exchange_back(const check_state& c, const typed_line& first, const typed_line& second,
                          std::uint32_t from, std::size_t n, std::uint8_t* bytes,
                          std::uint8_t* back) {
    // Before the image's first byte, in its line, the positions count as zero.
    const std::uint32_t zeros = c.start - from < line_size ? c.start - from : 0;
    std::memset(bytes, 0, zeros);
    // The typed lines may end the image, inside a line that neither the image nor the listing
    // holds whole.
    const std::size_t held =
        zeros + recall_bytes(c.history, from + zeros, bytes + zeros, n - zeros);
    if (held < first.from + first.size + second.size - from) {
        return 0;
    }
    std::memcpy(back, bytes, n);
    std::memcpy(back + (first.from - from), bytes + (second.from - from), second.size);
    std::memcpy(back + (first.from - from) + second.size, bytes + (first.from - from), first.size);
    return held;
}

// The data sum of the 8 bytes from `bytes` on.
unsigned data_sum(const std::uint8_t* bytes) {
    unsigned sum = 0;
    for (std::size_t k = 0; k < line_size; ++k) {
        sum += bytes[k];
    }
    return sum;
}

// Whether exchanging `first` and `second` back makes the lines they touch fit, and the lines
// after them fit as they are.
std::optional<exchange> exchanged_back(check_state& c, const queued_line& line,
                                       unsigned listing_first, std::uint32_t base,
                                       const typed_line& first, const typed_line& second) {
    const std::uint32_t shift = own_address(c, base) - base;
    const std::uint32_t from = first.from & ~std::uint32_t{7};
    const std::uint32_t end = (second.from + second.size + 7) & ~std::uint32_t{7};
    std::uint8_t bytes[2 * 256 + 16];
    std::uint8_t back[sizeof bytes];
    const std::size_t n = end - from;
    const std::size_t held =
        n <= sizeof bytes ? exchange_back(c, first, second, from, n, bytes, back) : 0;
    unsigned differed = 0;
    for (std::uint32_t at = 0; held > 0 && at < n; at += line_size) {
        const std::uint32_t address = from + at - shift; // as the rules compare it
        const unsigned as_is = data_sum(bytes + at);
        const unsigned fixed = data_sum(back + at);
        if (address - base >= 2 * page_size) { // in the page before P, which fit as it is
            if (static_cast<std::uint8_t>(as_is - fixed) != 0) {
                return std::nullopt;
            }
            continue;
        }
        std::uint8_t want = 0;
        const bool listed =
            listed_checksum(c, line, listing_first, base, (address - base) / line_size, want);
        if (at + line_size > held && !listed) {
            break;
        }
        if (!listed || at + line_size > held ||
            static_cast<std::uint8_t>(line_seed(address) + fixed) != want) {
            return std::nullopt;
        }
        differed += static_cast<std::uint8_t>(line_seed(address) + as_is) != want ? 1 : 0;
    }
    if (differed < 2 || !fits_after(c, line, listing_first, base, end)) {
        return std::nullopt; // one line alone is a typo's; a slip's lines go on differing
    }
    return exchange{first, second, from - shift, end - shift};
}

} // namespace

std::optional<typed_line> typed_line_at(const check_state& c, std::uint32_t address,
                                        std::uint32_t most) {
    const image_text& text = c.options.text;
    const unsigned long long number =
        text.text_line == nullptr ? 0 : text.text_line(text.state, address);
    if (number == 0) {
        return std::nullopt;
    }
    std::uint32_t from = address;
    std::uint32_t end = address + 1;
    while (end - from <= most && text.text_line(text.state, from - 1) == number) {
        --from;
    }
    while (end - from <= most && text.text_line(text.state, end) == number) {
        ++end;
    }
    return end - from <= most ? std::optional<typed_line>(typed_line{from, end - from, number})
                              : std::nullopt;
}

std::optional<exchange> find_exchange(check_state& c, const page_sums& page,
                                      const queued_line& line, unsigned listing_first, unsigned i) {
    constexpr std::uint32_t most = 256;
    if (c.options.text.text_line == nullptr) {
        return std::nullopt;
    }
    const std::uint32_t base = page_address(page);
    const std::uint32_t own = own_address(c, base + 8 * i);
    for (std::uint32_t at = own; at - own < line_size;) {
        const auto first = typed_line_at(c, at, most);
        if (!first) {
            ++at;
            continue;
        }
        const auto second = typed_line_at(c, first->from + first->size, most);
        if (second && second->number == first->number + 1) {
            if (const auto found = exchanged_back(c, line, listing_first, base, *first, *second)) {
                return found;
            }
        }
        at = first->from + first->size;
    }
    return std::nullopt;
}
