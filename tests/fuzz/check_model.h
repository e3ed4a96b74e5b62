#ifndef PAGETALLY_TESTS_FUZZ_CHECK_MODEL_H
#define PAGETALLY_TESTS_FUZZ_CHECK_MODEL_H

// A model of what the check reports about a raw image named I against a listing named L, whose
// page lines are in the form of the listing model's (`XX XX ... : TT`). Addresses are unwrapped
// 64-bit ones, as the listing model's; pages are counted from the start address's page.

#include "model.h"

#include <algorithm>
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

inline std::string hex4(std::uint64_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%04" PRIX32, static_cast<std::uint32_t>(address));
    return text;
}

inline std::vector<std::string> listing_of(std::uint32_t start, const std::string& image) {
    return split_lines(
        model_listing(start, reinterpret_cast<const std::uint8_t*>(image.data()), image.size()));
}

inline std::uint64_t page_base(std::uint32_t start, std::size_t page) {
    return (std::uint64_t{start} & ~std::uint64_t{0xFF}) + 256 * std::uint64_t{page};
}

// The address of the page's first listed line: positions before the start count as zero.
inline std::uint64_t first_line(std::uint32_t start, std::size_t page) {
    return std::max(page_base(start, page), std::uint64_t{start} & ~std::uint64_t{7});
}

inline std::size_t page_of(std::uint32_t start, std::uint64_t address) {
    return static_cast<std::size_t>((address >> 8) - (start >> 8));
}

inline std::size_t count_of(const std::string& line) {
    return (line.size() - 4) / 3;
}

inline unsigned checksum_at(const std::string& line, std::size_t index) {
    return static_cast<unsigned>(std::strtoul(line.substr(3 * index, 2).c_str(), nullptr, 16));
}

inline std::string total_of(const std::string& line) {
    return line.substr(line.size() - 2);
}

// The checksum of the line at `address` made of the image's bytes from address + shift on, or
// -1 when the image ends before them. Positions before the start count as zero.
inline int line_checksum(std::uint32_t start, const std::string& image, std::uint64_t address,
                         long long shift) {
    unsigned sum = static_cast<unsigned>((address >> 8 & 0xFF) + (address & 0xFF));
    for (long long i = 0; i < 8; ++i) {
        const long long at = static_cast<long long>(address) - start + shift + i;
        if (at >= static_cast<long long>(image.size())) {
            return -1;
        }
        sum += at < 0 ? 0 : static_cast<unsigned char>(image[static_cast<std::size_t>(at)]);
    }
    return static_cast<int>(sum & 0xFF);
}

constexpr long long no_fit = 1000;

// The first shift, in the order 0, 1, -1, 2, ..., 16, -16, at which the image's bytes give the
// listing's checksums of the lines at B, B + 8, B + 16 and B + 24 (B is A + 24, A the address
// of a line of the image), or `no_fit`. Two points are read both ways: `strict` asks the image for
// every such line the listing holds, else only for those the image holds (at least one either
// way); `next_always` takes the next page line also when the image as read does not reach its
// page, as the image as mended may.
inline long long first_fit(std::uint32_t start, const std::string& image,
                           const std::vector<std::string>& lines, std::uint64_t a, bool strict,
                           bool next_always) {
    const std::size_t page = page_of(start, a);
    const bool reaches = start + image.size() > page_base(start, page + 1);
    for (long long step = 0; step <= 32; ++step) {
        const long long shift = step % 2 == 1 ? (step + 1) / 2 : -step / 2;
        bool fits = true;
        int given = 0;
        for (std::uint64_t line = a + 24; line < a + 56 && fits; line += 8) {
            const std::size_t p = page_of(start, line);
            const std::size_t index = static_cast<std::size_t>((line - first_line(start, p)) / 8);
            if (p >= lines.size() || (p > page && !reaches && !next_always) ||
                index >= count_of(lines[p])) {
                continue;
            }
            const int sum = line_checksum(start, image, line, shift);
            fits = sum < 0 ? !strict : static_cast<unsigned>(sum) == checksum_at(lines[p], index);
            given += sum >= 0 && fits;
        }
        if (fits && given > 0) {
            return shift;
        }
    }
    return no_fit;
}

constexpr long long unclear = 2000;

// What the check reports for line A, a line of the image that differs from a listing line that
// adds up: 0 for the line itself, else the shift of the slip it reports in its place; `unclear`
// when the readings of `first_fit` disagree.
inline long long slip_verdict(std::uint32_t start, const std::string& image,
                              const std::vector<std::string>& lines, std::uint64_t a) {
    long long verdict = 0;
    for (int reading = 0; reading < 4; ++reading) {
        long long shift = first_fit(start, image, lines, a, reading & 1, reading & 2);
        shift = shift == no_fit ? 0 : shift;
        if (reading > 0 && shift != verdict) {
            return unclear;
        }
        verdict = shift;
    }
    return verdict;
}

// The image as the check goes on with it after a slip at line A: from B = A + 24 on, its bytes
// from B + shift on.
inline std::string mended(std::uint32_t start, const std::string& image, std::uint64_t a,
                          long long shift) {
    const auto b = static_cast<std::size_t>(a + 24 - start);
    return image.substr(0, b) + image.substr(static_cast<std::size_t>(b + shift));
}

inline std::string slip_report(std::uint64_t a, long long shift) {
    const long long k = std::abs(shift);
    return "I: " + hex4(a) + ": " + std::to_string(k) + (k == 1 ? " byte " : " bytes ") +
           (shift > 0 ? "too many" : "missing");
}

inline std::string line_report(const std::string& prefix, std::uint64_t a, unsigned is,
                               unsigned listed) {
    return prefix + hex4(a) + ": line checksum " + hex_byte(is) + ", listing has " +
           hex_byte(listed);
}

// What every byte of the image has in common, as the check words it.
inline std::string cause_lines(const std::string& image) {
    if (image.size() < 256) {
        return "";
    }
    unsigned all_and = 0xFF;
    unsigned all_or = 0;
    for (const char byte : image) {
        all_and &= static_cast<unsigned char>(byte);
        all_or |= static_cast<unsigned char>(byte);
    }
    if (all_and == all_or) {
        return "I: every byte is " + hex_byte(all_and) + "\n";
    }
    std::string lines;
    for (unsigned bit = 0; bit < 8; ++bit) {
        if ((all_and >> bit & 1) == (all_or >> bit & 1)) {
            lines += "I: data bit " + std::to_string(bit) + " is " +
                     std::to_string(all_and >> bit & 1) + " in every byte\n";
        }
    }
    return lines;
}

// A failed check's output: the reports (the first 10 unless `all`), the count of those not
// shown, the cause lines, then the count of the steps that differ.
inline std::string failed_check(const std::vector<std::string>& reports, const std::string& causes,
                                std::size_t differing, std::size_t steps, bool all) {
    const std::size_t shown = all ? reports.size() : std::min<std::size_t>(reports.size(), 10);
    std::string text;
    for (std::size_t i = 0; i < shown; ++i) {
        text += reports[i] + "\n";
    }
    const std::size_t more = reports.size() - shown;
    if (more == 1) {
        text += "1 more report not shown (--all shows it)\n";
    } else if (more > 1) {
        text += std::to_string(more) + " more reports not shown (--all shows them)\n";
    }
    return text + causes + std::to_string(differing) + " of " + std::to_string(steps) +
           " pages differ\n";
}

// Whether the stepping rules pair page i with line i throughout: wherever the two differ, the
// next page is not that line and the next line is not that page.
inline bool in_step(const std::vector<std::string>& pages, const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < std::min(pages.size(), lines.size()); ++i) {
        if (pages[i] != lines[i] && ((i + 1 < pages.size() && pages[i + 1] == lines[i]) ||
                                     (i + 1 < lines.size() && lines[i + 1] == pages[i]))) {
            return false;
        }
    }
    return true;
}

#endif
