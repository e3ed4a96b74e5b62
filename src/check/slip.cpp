#include "check/slip.h"

#include "walk/page_sums.h"

namespace {

// How many of B's four lines the listing holds, within the image placed anew, and how many of
// them fit a shift; and whether that image ends where the listing's checksums end.
struct fit {
    unsigned listed, alike;
    bool ends_together;
};

// With `every`, only a fit of every line counts, and the count stops at the first line that does
// not fit: most shifts tried miss at once (a check of 16 MiB whose every page differs measured
// 1.4 times as fast so).
fit fits(const slip_lines& s, int shift, bool every) {
    const std::uint32_t b = slip_resumes(s.at, shift);
    const unsigned first = (b - s.at) / line_size;
    fit f{0, 0, false};
    for (unsigned m = 0; m < 4; ++m) {
        if ((s.listed >> (first + m) & 1) == 0) {
            continue;
        }
        const std::uint32_t address = b + 8 * m;
        const long long from = static_cast<long long>(address - s.at) - 8 + shift;
        if (from < 0 || static_cast<std::size_t>(from) + line_size > s.held) {
            if (from >= 0 && s.image_ends) {
                break; // the image placed anew ends before the line
            }
            return fit{0, 0, false}; // a hole before the line ends
        }
        ++f.listed;
        unsigned sum = (address >> 8) + address;
        for (std::size_t i = 0; i < line_size; ++i) {
            sum += s.bytes[static_cast<std::size_t>(from) + i];
        }
        f.alike += static_cast<std::uint8_t>(sum) == s.want[first + m] ? 1 : 0;
        if (every && f.alike < f.listed) {
            return f;
        }
    }
    const long long end = static_cast<long long>(s.at) + 8 + static_cast<long long>(s.held) - shift;
    f.ends_together =
        s.image_ends && s.listing_ends && static_cast<std::uint32_t>(end & ~7LL) == s.listing_end;
    return f;
}

// How many lines from B on, as far as the listing and the image as it is hold them, fit a shift
// in a row: a shift that places the image later holds more lines near its end.
unsigned fitting_run(const slip_lines& s, int shift) {
    const std::uint32_t b = slip_resumes(s.at, shift);
    const std::size_t lines_held = (8 + s.held) / line_size;
    unsigned run = 0;
    for (unsigned j = (b - s.at) / line_size;
         j < sizeof s.want && j < lines_held && (s.listed >> j & 1) != 0; ++j, ++run) {
        const std::uint32_t address = s.at + 8 * j;
        const long long from = static_cast<long long>(address - s.at) - 8 + shift;
        if (from < 0 || static_cast<std::size_t>(from) + line_size > s.held) {
            break;
        }
        unsigned sum = (address >> 8) + address;
        for (std::size_t i = 0; i < line_size; ++i) {
            sum += s.bytes[static_cast<std::size_t>(from) + i];
        }
        if (static_cast<std::uint8_t>(sum) != s.want[j]) {
            break;
        }
    }
    return run;
}

// A slip fits when all four lines do; or, near the end, all it has when the image placed anew
// then ends where the listing does; or, `but_one`, three of four.
bool slip_fits(const fit& f, bool but_one) {
    if (but_one) {
        return f.listed == 4 && f.alike == 3;
    }
    return f.listed > 0 && f.alike == f.listed && (f.listed == 4 || f.ends_together);
}

// The shifts of up to slip_most bytes, either way, whose first line from B on that the listing
// holds the image holds and fits: bit slip_most + k for the shift k. Every such shift resumes
// at B = A + 24, so the sums of that line's bytes at one shift and the next differ by two bytes,
// and a shift that misses the line needs no test of its own (a check of 16 MiB whose every page
// differs measured 1.9 times as fast so).
std::uint64_t small_shifts_in_reach(const slip_lines& s) {
    const unsigned first = 3; // (slip_resumes(s.at, k) - s.at) / line_size
    unsigned j = first;
    while (j < first + 4 && (s.listed >> j & 1) == 0) {
        ++j;
    }
    const std::uint32_t address = s.at + 8 * j;
    const std::size_t lowest = 8 * j - 8 - slip_most; // where the line's bytes begin at -slip_most
    if (j == first + 4 || lowest + line_size > s.held) {
        return 0;
    }
    unsigned sum = (address >> 8) + address;
    for (std::size_t i = 0; i < line_size; ++i) {
        sum += s.bytes[lowest + i];
    }
    std::uint64_t reach = 0;
    for (unsigned k = 0;; ++k) { // the shift k - slip_most
        const std::size_t from = lowest + k;
        reach |= static_cast<std::uint8_t>(sum) == s.want[j] ? std::uint64_t{1} << k : 0;
        if (k == 2 * slip_most || from + line_size >= s.held) {
            return reach;
        }
        sum += s.bytes[from + line_size];
        sum -= s.bytes[from];
    }
}

// Whether every line that a shift places fits, as slip_fits takes it; a small shift out of
// `reach` does not.
bool every_line_fits(const slip_lines& s, int shift, std::uint64_t reach) {
    const bool small = shift >= -slip_most && shift <= slip_most;
    if (small && (reach >> (shift + slip_most) & 1) == 0) {
        return false;
    }
    return slip_fits(fits(s, shift, true), false);
}

// Of the shifts from shifts[from] on that fit every line, the one whose lines go on fitting
// furthest, more than `beaten` lines; the first tried of those that fit as far. In bytes that
// repeat, many shifts fit B's lines, and the first tried may fit only as far as the bytes repeat.
std::optional<int> longest_fit(const slip_lines& s, const int* shifts, std::size_t from,
                               std::size_t n, std::uint64_t reach, long beaten) {
    std::optional<int> best;
    for (std::size_t i = from; i < n; ++i) {
        if (every_line_fits(s, shifts[i], reach)) {
            const long run = fitting_run(s, shifts[i]);
            best = run > beaten ? shifts[i] : best;
            beaten = run > beaten ? run : beaten;
        }
    }
    return best;
}

// The shifts in the order they are tried: 1, -1, ..., 16, -16, then each multiple of a typed
// line's length up to slip_lines_most not tried yet, too many before missing.
std::size_t shifts_to_try(const slip_lines& s, int* shifts) {
    std::size_t n = 0;
    for (int k = 1; k <= slip_most; ++k) {
        shifts[n++] = k;
        shifts[n++] = -k;
    }
    for (const unsigned length : s.typed) {
        for (unsigned k = length; length > 0 && k <= slip_lines_most; k += length) {
            bool tried = false;
            for (std::size_t i = 0; i < n && !tried; ++i) {
                tried = shifts[i] == static_cast<int>(k);
            }
            if (!tried) {
                shifts[n++] = static_cast<int>(k);
                shifts[n++] = -static_cast<int>(k);
            }
        }
    }
    return n;
}

} // namespace

std::uint32_t slip_resumes(std::uint32_t a, int shift) {
    const unsigned k = static_cast<unsigned>(shift < 0 ? -shift : shift);
    return k <= slip_most || shift > 0 ? a + 24 : (a + 8 + k + 7) & ~std::uint32_t{7};
}

std::optional<int> find_shift(const slip_lines& lines) {
    if (lines.listed == 0) {
        return std::nullopt;
    }
    int shifts[2 * slip_most + 2 * 2 * slip_lines_most];
    const std::size_t n = shifts_to_try(lines, shifts);
    // The image fits as it is as a slip would, or when three lines or more that it holds do
    // (near the end).
    const fit as_is = fits(lines, 0, false);
    const std::uint64_t reach = small_shifts_in_reach(lines);
    // The small shifts come first; when none is in reach, the shifts tried begin past them.
    const std::size_t from = reach == 0 ? 2 * slip_most : 0;
    if (slip_fits(as_is, false) || (as_is.listed >= 3 && as_is.alike == as_is.listed)) {
        // Where the lines after A fit both as they are and shifted (bytes that repeat), the one
        // that goes on fitting further is the cause: a typo at A, or a slip.
        return longest_fit(lines, shifts, from, n, reach, fitting_run(lines, 0)).value_or(0);
    }
    if (const auto shift = longest_fit(lines, shifts, from, n, reach, -1)) {
        return shift;
    }
    // Then all but one of four, a typo among them, when one shift alone fits so (in bytes that
    // repeat, many would), and not near the end, where a shift that places the image later holds
    // more of its lines than the image as it is.
    if (!lines.typed_image || as_is.listed < 4) {
        return std::nullopt;
    }
    std::optional<int> only;
    for (std::size_t i = 0; i <= n; ++i) {
        const int shift = i < n ? shifts[i] : 0;
        const fit f = i < n ? fits(lines, shift, false) : as_is;
        if (f.listed == 4 && f.alike >= 3) {
            if (only) {
                return std::nullopt;
            }
            only = shift;
        }
    }
    return only;
}

bool shift_fits(const slip_lines& lines, int shift) {
    return slip_fits(fits(lines, shift, true), false);
}
