// The check against the model's listing. Input: four bytes of start address (little-endian),
// two bytes that choose a place (a byte of the image, a page line and a checksum in it, where
// the image is cut short), one of variants (bits 0 to 2 the bit to flip; bits 3 to 6 the size
// of a slip less one, and the kind of a typo; bit 7 which of two changes), one that a typo adds
// or types, then the image.
//
// The image checked against its own listing always matches, also when the listing is UTF-16
// with CR LF. Each change below, of the image or of its listing, must give exactly the report
// that the model names, whenever the stepping rules keep every page with its own line: a page
// line removed or doubled (among pages all unlike), a flipped bit, a run of bytes typed twice
// or left out, a typo in a line checksum, a total or both, a table of totals alone (all wrong:
// the bound on reports), a checksum left out or one too many, and an image cut short. The
// fuzzer's bytes are also read as a listing, to drive the reader and the parser through any
// text.
#include "check/check.h"
#include "check_model.h"
#include "memory_input.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

std::string report_of(std::uint32_t start, const std::string& image, const std::string& listing,
                      bool all_reports = false) {
    gathering gathered;
    std::FILE* out = start_gathering(gathered);
    text_input text{listing, listing.size(), false, 0};
    memory_input pages{image, image.size(), false, 0};
    // Not taken for raw bytes, which the fuzzer's may read as text: fuzz_causes holds that.
    check_state* state = begin_check(check_request{
        text_source{read_piece, &text}, start, check_output{out, write_plain, "L", "I"},
        check_options{all_reports, false, image_text{}, false, nullptr,
                      image_again{nullptr, nullptr, nullptr, nullptr, 0}}});
    end_check(state, walk_pages(byte_source{next_piece, &pages}, start, check_consumer(*state)));
    std::string report = end_gathering(gathered);
    return report;
}

void expect(bool holds, const char* what, const std::string& report, const std::string& want) {
    if (!holds) {
        std::fprintf(stderr, "%s; the report:\n%s\nexpected:\n%s\n", what, report.c_str(),
                     want.c_str());
        std::abort();
    }
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line + "\n";
    }
    return text;
}

std::string utf16_crlf(const std::string& text) {
    std::string units = "\xFF\xFE";
    for (const char c : text) {
        if (c == '\n') {
            units += std::string("\r\0", 2);
        }
        units += std::string{c, '\0'};
    }
    return units;
}

std::string matched(std::size_t steps) {
    return "all " + std::to_string(steps) + " pages match\n";
}

struct fuzz_case {
    std::uint32_t start;
    std::string image;
    std::vector<std::string> listed; // the image's own listing
    std::size_t choice;
    unsigned variant, value;
};

// The report without its lines about the image as a whole: "I: " and a word.
std::string without_causes(const std::string& report) {
    std::string kept;
    for (const std::string& line : split_lines(report)) {
        if (line.compare(0, 3, "I: ") != 0 || line.size() < 4 || line[3] < 'a' || line[3] > 'z') {
            kept += line + "\n";
        }
    }
    return kept;
}

// Checks `image` against the listing of `lines` and expects `want`; but when the image's first
// page is not the first line and the check names another start address, that start must fit,
// by the model, and be all that is reported.
void expect_check(const fuzz_case& c, const std::string& image,
                  const std::vector<std::string>& lines, const std::string& want, const char* what,
                  bool all_reports = false) {
    const std::string report = report_of(c.start, image, joined(lines), all_reports);
    const std::string fits = "L: fits start address ";
    if (report.compare(0, fits.size(), fits) == 0 && !image.empty() &&
        listing_of(c.start, image)[0] != lines[0]) {
        const auto other =
            static_cast<std::uint32_t>(std::strtoul(report.c_str() + fits.size(), nullptr, 16));
        const std::vector<std::string> there = listing_of(other, image);
        const bool fitting = there[0] == lines[0] &&
                             (there.size() == 1 || lines.size() == 1 || there[1] == lines[1]);
        expect(fitting && report == fits + hex4(other) + ", not " + hex4(c.start) + "\n",
               "a start address that does not fit", report, "");
        return;
    }
    // A page's data found at another line or page, or under other bits, may explain the failure
    // by another fault (fuzz_causes holds those): its line stands for the cause lines.
    const bool explained = report.find("\nI: address line") != std::string::npos ||
                           report.find("\nI: data line") != std::string::npos ||
                           report.find(" is inverted in every byte\n") != std::string::npos ||
                           report.find("\nI: every data bit is inverted") != std::string::npos ||
                           report.find("(a header)\n") != std::string::npos;
    expect(report == want || (explained && without_causes(report) == without_causes(want)), what,
           report, want);
}

void check_own(const fuzz_case& c) {
    const std::string listing = joined(c.listed);
    const std::string want = c.listed.empty() ? "L: no checksum lines\n" : matched(c.listed.size());
    for (const std::string& text : {listing, utf16_crlf(listing)}) {
        const std::string report = report_of(c.start, c.image, text);
        expect(report == want, "the image against its own listing did not match", report, want);
    }
}

// A page line after the first removed is "page not in the listing", doubled "page not in the
// image": the stepping rules find that step only among pages that are all unlike.
void check_page_lines(const fuzz_case& c) {
    const std::vector<std::string>& listed = c.listed;
    if (listed.size() < 2 ||
        std::set<std::string>(listed.begin(), listed.end()).size() < listed.size()) {
        return;
    }
    const std::size_t page = 1 + c.choice % (listed.size() - 1);
    std::vector<std::string> changed = listed;
    std::string want;
    if ((c.variant & 0x80) != 0) {
        changed.insert(changed.begin() + static_cast<long>(page), listed[page]);
        want = failed_check({"L:" + std::to_string(page + 2) + ": page not in the image"},
                            cause_lines(c.image), 1, listed.size() + 1, false);
    } else {
        changed.erase(changed.begin() + static_cast<long>(page));
        want = failed_check({"L:" + std::to_string(page + 1) + ": " +
                             hex4(page_base(c.start, page)) + ": page not in the listing"},
                            cause_lines(c.image), 1, listed.size(), false);
    }
    expect_check(c, c.image, changed, want, "a page line removed or doubled was not the one step");
}

// A flipped bit in a whole line: the listing adds up, so the image's line is reported, alone.
void check_flip(const fuzz_case& c) {
    if (c.image.empty()) {
        return;
    }
    std::string image = c.image;
    const std::size_t at = c.choice % image.size();
    image[at] = static_cast<char>(image[at] ^ (1 << (c.variant % 8)));
    const std::vector<std::string> pages = listing_of(c.start, image);
    if (pages == c.listed) {
        expect_check(c, image, c.listed, matched(c.listed.size()),
                     "a byte in no line was reported");
        return;
    }
    const std::uint64_t a = (std::uint64_t{c.start} + at) & ~std::uint64_t{7};
    const std::size_t page = page_of(c.start, a);
    const auto index = static_cast<std::size_t>((a - first_line(c.start, page)) / 8);
    if (!in_step(pages, c.listed) || slip_verdict(c.start, image, c.listed, a) != 0) {
        return;
    }
    const std::string want = failed_check({line_report("I: ", a, checksum_at(pages[page], index),
                                                       checksum_at(c.listed[page], index))},
                                          cause_lines(image), 1, c.listed.size(), false);
    expect_check(c, image, c.listed, want, "a flipped bit was not reported at its line alone");
}

// A run of 1 to 16 bytes typed twice or left out: the slip at the first line that differs, when
// the model's search finds exactly that run first; a slip that only adds or drops the last
// page, or none that shows in a whole line, is the step or the match of today.
void check_slip(const fuzz_case& c) {
    const std::size_t size = 1 + (c.variant >> 3 & 15);
    const bool inserted = (c.variant & 0x80) != 0;
    std::string slipped = c.image;
    if (inserted) {
        const std::size_t at = c.choice % (c.image.size() + 1);
        const std::size_t from = at >= size ? at - size : at;
        if (from + size > c.image.size()) {
            return;
        }
        slipped.insert(at, c.image, from, size);
    } else if (c.image.size() >= size) {
        slipped.erase(c.choice % (c.image.size() - size + 1), size);
    } else {
        return;
    }
    const std::vector<std::string>& listed = c.listed;
    const std::vector<std::string> pages = listing_of(c.start, slipped);
    const std::size_t common = std::min(pages.size(), listed.size());
    std::size_t page = 0;
    while (page < common && pages[page] == listed[page]) {
        ++page;
    }
    if (pages == listed) {
        expect_check(c, slipped, listed, matched(listed.size()), "a slip in no line was reported");
        return;
    }
    std::string reported;
    std::string image = slipped; // as the check goes on with it
    std::size_t differing = 1;
    std::size_t steps = listed.size();
    if (page == common && pages.size() == listed.size() + 1) {
        reported = "L:" + std::to_string(listed.size() + 1) + ": " +
                   hex4(page_base(c.start, page)) + ": page not in the listing";
        steps = pages.size();
    } else if (page == common && listed.size() == pages.size() + 1) {
        reported = "L:" + std::to_string(page + 1) + ": page not in the image";
    } else if (page < common && count_of(pages[page]) == count_of(listed[page])) {
        std::size_t index = 0;
        while (checksum_at(pages[page], index) == checksum_at(listed[page], index)) {
            ++index;
        }
        const std::uint64_t a = first_line(c.start, page) + 8 * index;
        const auto shift = inserted ? static_cast<long long>(size) : -static_cast<long long>(size);
        if (slip_verdict(c.start, slipped, listed, a) != shift) {
            return;
        }
        image = mended(c.start, slipped, a, shift);
        if (!in_step(listing_of(c.start, image), listed)) {
            return;
        }
        reported = slip_report(a, shift);
        differing = 1 + page_of(c.start, a + 16) - page;
    } else {
        return;
    }
    if (!in_step(pages, listed)) {
        return;
    }
    expect_check(c, slipped, listed,
                 failed_check({reported}, cause_lines(image), differing, steps, false),
                 "a slip was not reported as one");
}

// One page line mistyped: a line checksum alone (the listing's), the total alone (the
// listing's), both by the same amount (the line adds up: the image's line), or both otherwise
// (the listing's line and total).
void check_typo(const fuzz_case& c) {
    if (c.listed.empty()) {
        return;
    }
    const std::size_t page = c.choice % c.listed.size();
    const std::string& line = c.listed[page];
    const std::size_t count = count_of(line);
    const unsigned kind = count == 0 ? 1 : c.variant >> 3 & 3;
    const unsigned change = c.value == 0 ? 1 : c.value;
    const unsigned total_change = kind == 3 ? ((2 * change & 0xFF) == 0 ? 1 : 2 * change) : change;
    const std::size_t index = count == 0 ? 0 : c.choice / c.listed.size() % count;
    const std::uint64_t a = first_line(c.start, page) + 8 * index;
    const std::string number = "L:" + std::to_string(page + 1) + ": ";
    std::vector<std::string> lines = c.listed;
    std::vector<std::string> reports;
    if (kind != 1) {
        const unsigned is = checksum_at(line, index);
        lines[page].replace(3 * index, 2, hex_byte(is + change));
        reports.push_back(line_report(kind == 2 ? "I: " : number, a, is, is + change));
    }
    if (kind != 0) {
        const std::string was = total_of(line);
        const std::string typed = hex_byte(
            static_cast<std::uint32_t>(std::strtoul(was.c_str(), nullptr, 16)) + total_change);
        lines[page].replace(line.size() - 2, 2, typed);
        if (kind != 2) {
            reports.push_back(number + hex4(page_base(c.start, page)) + ": page total " + was +
                              ", listing has " + typed);
        }
    }
    if (!in_step(c.listed, lines) || (kind == 2 && slip_verdict(c.start, c.image, lines, a) != 0)) {
        return;
    }
    expect_check(c, c.image, lines,
                 failed_check(reports, cause_lines(c.image), 1, lines.size(), false),
                 "a typo was not told apart");
}

// A table of page totals alone matches; with every total wrong, each is reported, the first 10
// of them unless every report is asked for.
void check_totals(const fuzz_case& c) {
    std::vector<std::string> totals, wrong, reports;
    for (std::size_t page = 0; page < c.listed.size(); ++page) {
        const std::string total = total_of(c.listed[page]);
        const std::string other = hex_byte(
            static_cast<std::uint32_t>(std::strtoul(total.c_str(), nullptr, 16)) + (c.value | 1));
        totals.push_back(": " + total);
        wrong.push_back(": " + other);
        reports.push_back("L:" + std::to_string(page + 1) + ": " + hex4(page_base(c.start, page)) +
                          ": page total " + total + ", listing has " + other);
    }
    if (c.listed.empty()) {
        return;
    }
    if (in_step(c.listed, totals)) {
        expect_check(c, c.image, totals, matched(totals.size()), "a table of totals did not match");
    }
    if (!in_step(c.listed, wrong)) {
        return;
    }
    for (const bool all : {false, true}) {
        expect_check(c, c.image, wrong,
                     failed_check(reports, cause_lines(c.image), wrong.size(), wrong.size(), all),
                     "wrong totals were not reported within the bound", all);
    }
}

// A page line of K >= 2 checksums with one left out, or with one too many when K <= 30, its
// total right: the first checksum whose leaving out makes the two alike is named.
void check_count(const fuzz_case& c) {
    if (c.listed.empty()) {
        return;
    }
    const std::size_t page = c.choice % c.listed.size();
    const std::string& line = c.listed[page];
    const std::size_t count = count_of(line);
    const bool extra = (c.variant & 0x80) != 0;
    if (count < 2 || (extra && count > 30)) {
        return;
    }
    std::string typed = line;
    const std::size_t at = c.choice / c.listed.size() % (count + extra);
    if (extra) {
        typed.insert(3 * at, hex_byte(c.value) + " ");
    } else {
        typed.erase(3 * at, 3);
    }
    const std::string& longer = extra ? typed : line;
    std::size_t first = 0;
    while (std::string(longer).erase(3 * first, 3) != (extra ? line : typed)) {
        ++first;
    }
    const std::string address = hex4(first_line(c.start, page) + 8 * first);
    const std::string number =
        "L:" + std::to_string(page + 1) + ": " + hex4(page_base(c.start, page)) + ": ";
    const std::string report =
        extra ? number + address + " has no line; " + hex_byte(checksum_at(typed, first)) +
                    " is one checksum too many"
              : number + "the checksum of line " + address + " is missing (" +
                    hex_byte(checksum_at(line, first)) + ")";
    std::vector<std::string> lines = c.listed;
    lines[page] = typed;
    if (in_step(c.listed, lines)) {
        expect_check(c, c.image, lines,
                     failed_check({report}, cause_lines(c.image), 1, lines.size(), false),
                     "a checksum left out or one too many was not named");
    }
}

// The image cut short inside a page that the listing holds whole: the lines it holds are
// compared (a flipped bit in one of two or more is the image's line), then the page holds K of
// its 32 lines, then the listing's next line is not in the image, nor those after it.
void check_cut(const fuzz_case& c) {
    if (c.image.empty()) {
        return;
    }
    std::string typed = c.image.substr(0, 1 + c.choice % c.image.size());
    const std::size_t page = page_of(c.start, std::uint64_t{c.start} + typed.size() - 1);
    std::vector<std::string> pages = listing_of(c.start, typed);
    std::vector<std::string> reports;
    const bool partial = pages[page] != c.listed[page];
    if (partial) {
        const std::size_t held = count_of(pages[page]);
        if (count_of(c.listed[page]) != 32) {
            return;
        }
        const std::size_t index = held < 2 ? 0 : c.choice / 8 % held;
        const std::uint64_t a = page_base(c.start, page) + 8 * index;
        const std::uint64_t at = a + c.choice % 8;
        if ((c.variant & 0x80) != 0 && held >= 2 && at >= c.start) {
            char& byte = typed[static_cast<std::size_t>(at - c.start)];
            byte = static_cast<char>(byte ^ (1 << (c.variant % 8)));
            pages = listing_of(c.start, typed);
            if (slip_verdict(c.start, typed, c.listed, a) != 0) {
                return;
            }
            reports.push_back(line_report("I: ", a, checksum_at(pages[page], index),
                                          checksum_at(c.listed[page], index)));
        }
        reports.push_back("I: " + hex4(page_base(c.start, page)) + ": holds " +
                          std::to_string(held) + " of the page's 32 lines");
    }
    // The listing's lines after the image's last page are counted, and named once.
    const std::size_t left = c.listed.size() - page - 1;
    if (left > 0) {
        reports.push_back("L:" + std::to_string(page + 2) + ": page not in the image" +
                          (left > 1 ? " (nor the " + std::to_string(left - 1) + " after it)" : ""));
    }
    if (!in_step(pages, c.listed)) {
        return;
    }
    const std::size_t steps = c.listed.size();
    expect_check(c, typed, c.listed,
                 reports.empty()
                     ? matched(steps)
                     : failed_check(reports, cause_lines(typed), partial + left, steps, false),
                 "an image cut short was not reported as such");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) {
        return 0;
    }
    const std::uint32_t start =
        data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    const std::string image(reinterpret_cast<const char*>(data) + 8, size - 8);
    report_of(start, image, std::string(reinterpret_cast<const char*>(data), size));
    const fuzz_case c{
        start,   image,  listing_of(start, image), static_cast<std::size_t>(data[4] | data[5] << 8),
        data[6], data[7]};
    check_own(c);
    check_page_lines(c);
    check_flip(c);
    check_slip(c);
    check_typo(c);
    check_totals(c);
    check_count(c);
    check_cut(c);
    return 0;
}
