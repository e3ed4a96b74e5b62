#include "explain/explain.h"

#include "explain/explain_reread.h"
#include "image/image_formats.h"

#include <algorithm>
#include <cstring>

namespace {

// One line of text in memory, as a text to read.
struct line_text {
    const std::uint8_t* bytes;
    std::size_t n, at;
};

long read_line_text(void* state, char* buffer, std::size_t size) {
    auto& in = *static_cast<line_text*>(state);
    const std::size_t n = std::min(size, in.n - in.at);
    std::memcpy(buffer, in.bytes + in.at, n);
    in.at += n;
    return static_cast<long>(n);
}

// Whether the line is text in `format`: a record that reads without a fault (Intel HEX then
// misses only its end), or typed hex whose bytes begin at a label. The text is read as a file of
// the format is, through the one static buffer of a text's reader: a failed check has read all of
// its listing it will before it looks here.
bool reads_as(image_format format, const std::uint8_t* line, std::size_t n) {
    line_text in{line, n, 0};
    image read{};
    const image_fault fault =
        read_image_file(format, text_source{read_line_text, &in}, std::nullopt, read).fault;
    switch (format) {
    case image_format::ihex:
        return fault == image_fault::none || fault == image_fault::no_end;
    case image_format::hex:
        return fault == image_fault::none && !image_empty(read);
    default:
        return fault == image_fault::none;
    }
}

// The page count's bits (from A8) or a line index's (from A3), mapped as an address line's
// fault maps them: a bit read as 0 or 1, or inverted, or two bits exchanged.
enum class fault_kind { reads_0, reads_1, inverted, exchanged };

struct address_fault {
    fault_kind kind;
    unsigned b, c;
};

unsigned mapped(const address_fault& f, unsigned x) {
    const unsigned bit = 1u << f.b;
    switch (f.kind) {
    case fault_kind::reads_0:
        return x & ~bit;
    case fault_kind::reads_1:
        return x | bit;
    case fault_kind::inverted:
        return x ^ bit;
    case fault_kind::exchanged:
        return ((x >> f.b ^ x >> f.c) & 1) != 0 ? x ^ bit ^ 1u << f.c : x;
    }
    return x;
}

// Page p of the image holds the listing's page mapped(p).
bool page_moved(const page_log& r, const address_fault& f, std::size_t p) {
    const std::size_t q = mapped(f, static_cast<unsigned>(p));
    const page_data* listed = q < r.count ? listing_data(r, q) : nullptr;
    return listed != nullptr && same_data(image_page(r, p), *listed);
}

// Line i of page p of the image holds line mapped(i) of the listing's page p.
bool lines_moved(const page_log& r, const address_fault& f, std::size_t p) {
    const page_data* listed = listing_data(r, p);
    if (listed == nullptr) {
        return false;
    }
    page_data read{}; // the listing's page as the fault reads it, at page 00
    for (unsigned i = 0; i < lines_per_page; ++i) {
        const unsigned j = mapped(f, i);
        read.lines |= (listed->lines >> j & 1) << i;
        read.checksum[i] = static_cast<std::uint8_t>(line_data(*listed, j) + line_size * i);
    }
    return same_data(image_page(r, p), read);
}

using moved = bool (*)(const page_log&, const address_fault&, std::size_t);

// Every page of the image fits the fault; the first that differs is tried first, as it tells
// most faults apart at once (pages alike, say blank, fit many).
bool every_page(const page_log& r, const address_fault& f, std::size_t differing, moved fits) {
    if (differing < r.count && !fits(r, f, differing)) {
        return false;
    }
    for (std::size_t p = 0; p < r.count; ++p) {
        if (!fits(r, f, p)) {
            return false;
        }
    }
    return true;
}

// The address lines of the page count (from A8, as many bits as the image's pages need), then
// of the line within a page (A3 to A7).
std::optional<explanation> address_lines(const page_log& r, std::size_t differing) {
    unsigned page_bits = 0;
    while ((std::size_t{1} << page_bits) < r.count) {
        ++page_bits;
    }
    const struct {
        unsigned first_line, bits;
        moved fits;
    } levels[] = {{8, page_bits, page_moved}, {3, 5, lines_moved}};
    for (const auto& level : levels) {
        for (unsigned b = 0; b < level.bits; ++b) {
            for (unsigned k = 0; k < 3; ++k) {
                if (every_page(r, address_fault{static_cast<fault_kind>(k), b, 0}, differing,
                               level.fits)) {
                    return explanation{
                        explanation_kind::address_line,   nullptr, nullptr, level.first_line + b, 0,
                        k < 2 ? static_cast<int>(k) : -1, 0};
                }
            }
        }
        for (unsigned b = 0; b < level.bits; ++b) {
            for (unsigned c = b + 1; c < level.bits; ++c) {
                if (every_page(r, address_fault{fault_kind::exchanged, b, c}, differing,
                               level.fits)) {
                    return explanation{explanation_kind::address_lines_exchanged,
                                       nullptr,
                                       nullptr,
                                       level.first_line + b,
                                       level.first_line + c,
                                       0,
                                       0};
                }
            }
        }
    }
    return std::nullopt;
}

// Whether some page of the image differs from the listing's line for it: else what failed is
// not in the image (a line the listing lacks or has too many, say), and nothing explains it.
std::size_t first_differing(const page_log& r) {
    std::size_t p = 0;
    for (; p < r.count; ++p) {
        const page_data* listed = listing_data(r, p);
        if (listed != nullptr && !same_data(image_page(r, p), *listed)) {
            break;
        }
    }
    return p;
}

bool image_differs(const page_log& r) {
    return first_differing(r) < r.count;
}

} // namespace

const char* looks_like_text(const std::uint8_t* bytes, std::size_t n, const char*& option) {
    constexpr std::size_t line_most = 1024;
    std::size_t end = 0;
    bool blank = true;
    for (; end < std::min(n, line_most) && bytes[end] != '\n' && bytes[end] != '\r'; ++end) {
        blank = blank && (bytes[end] == ' ' || bytes[end] == '\t');
    }
    const struct {
        image_format format;
        const char* name;
        const char* option;
    } kinds[] = {{image_format::ihex, "Intel HEX", "--format ihex"},
                 {image_format::srec, "S-record", "--format srec"},
                 {image_format::hex, "hex", "--format hex"}};
    // Each of them begins with a mark, a label's or a digit, after blanks or a byte order mark:
    // most images are told apart by their first byte, without reading them as text.
    std::size_t first = 0;
    while (first < end && (bytes[first] == ' ' || bytes[first] == '\t')) {
        ++first;
    }
    const int c = first < end ? bytes[first] : 0;
    const bool may_be_text = c == ':' || c == 'S' || c == '$' || c == '&' || c >= 0xEF ||
                             (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') ||
                             (c >= 'a' && c <= 'f');
    for (const auto& kind : kinds) {
        if (!blank && may_be_text && reads_as(kind.format, bytes, end)) {
            option = kind.option;
            return kind.name;
        }
    }
    return nullptr;
}

bool typed_in_decimal(const char* text, std::uint32_t& value) {
    const bool negative = *text == '-';
    text += *text == '-' || *text == '+' ? 1 : 0;
    if (*text == '\0') {
        return false;
    }
    std::uint32_t v = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        v = v * 10 + static_cast<std::uint32_t>(*text - '0');
    }
    value = negative ? 0 - v : v;
    return *text == '\0';
}

explain_outcome explain_failure(const failed_check& check) {
    if (log_whole(check.log) && !image_differs(check.log)) {
        return explain_outcome{};
    }
    const char* option = nullptr;
    const char* kind = check.raw ? looks_like_text(check.first_bytes, check.kept, option) : nullptr;
    if (kind != nullptr) {
        return explain_outcome{
            explanation{explanation_kind::text_read_as_raw, kind, option, 0, 0, 0, 0},
            reread::same};
    }
    if (!log_whole(check.log)) {
        return explain_outcome{}; // an image of more pages is not explained
    }
    if (check.realigned && check.again.from_start != nullptr) {
        const reread own = read_own_pages(check);
        if (own != reread::same) {
            return explain_outcome{std::nullopt, own};
        }
    }
    if (!log_whole(check.log)) {
        return explain_outcome{}; // no memory was left to read the image's own pages again
    }

    failed_check read_again = check;
    read_again.differing = first_differing(check.log);
    // An address line's fault moves data within the image: every page has its listing line.
    if (listed_pages(check.log) == check.log.count) {
        if (const auto lines = address_lines(check.log, read_again.differing)) {
            return explain_outcome{lines, reread::same};
        }
    }
    if (check.again.from_start == nullptr) {
        return explain_outcome{};
    }
    const auto data = data_lines(read_again);
    return explain_outcome{data ? data : header(read_again), reread::same};
}
