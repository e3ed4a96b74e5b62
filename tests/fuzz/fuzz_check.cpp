// The check against the model's listing. Input: four bytes of start address (little-endian), two
// bytes that choose a byte of the image (and a page line), one that chooses a bit (and whether
// the page line is removed or doubled), then the image.
//
// The image checked against its own listing always matches, also when the listing is UTF-16
// with CR LF. When no two pages of the image are equal, the report is exactly the one step that
// a change makes, then what the image's bytes show, then the count: a flipped bit in a whole
// line is reported at its line and its page's total; a page line after the first removed is
// "page not in the listing", doubled "page not in the image". The fuzzer's bytes are also read
// as a listing, to drive the reader and the parser through any text.
#include "check.h"
#include "memory_input.h"
#include "model.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

std::string report_of(std::uint32_t start, const std::string& image, const std::string& listing) {
    char* buffer = nullptr;
    std::size_t length = 0;
    std::FILE* out = open_memstream(&buffer, &length);
    text_input text{listing, listing.size(), false, 0};
    memory_input pages{image, image.size(), false, 0};
    check_state state =
        start_check(text_source{read_piece, &text}, start, image_reread{nullptr, nullptr, 0},
                    check_output{out, write_plain, "L", "I"});
    finish_check(state, walk_pages(byte_source{next_piece, &pages}, start, check_consumer(state)));
    std::fclose(out);
    std::string report(buffer, length);
    std::free(buffer);
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

std::string hex4(std::uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%04" PRIX32, address);
    return text;
}

// What every byte of the image has in common, as the check words it.
std::string causes(const std::string& image) {
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

std::string differ(std::size_t steps) {
    return "1 of " + std::to_string(steps) + " pages differ\n";
}

// The report of one flipped bit at image[at]: its line, then its page's total.
std::string flip_report(std::uint32_t start, const std::string& image, std::size_t at,
                        const std::vector<std::string>& listed,
                        const std::vector<std::string>& flipped) {
    const std::uint64_t address = std::uint64_t{start} + at;
    const std::size_t page = static_cast<std::size_t>((address >> 8) - (start >> 8));
    const unsigned first = page == 0 ? (start & 0xFF) / 8 : 0;
    const auto line = static_cast<unsigned>((address & 0xFF) / 8);
    const std::string& was = listed[page];
    const std::string& is = flipped[page];
    const std::size_t digits = 3 * (line - first);
    const std::string number = "L:" + std::to_string(page + 1) + ": ";
    const std::uint32_t page_base = static_cast<std::uint32_t>(address) & ~0xFFu;
    return number + hex4(static_cast<std::uint32_t>(address) & ~7u) + ": line checksum " +
           is.substr(digits, 2) + ", listing has " + was.substr(digits, 2) + "\n" + number +
           hex4(page_base) + ": page total " + is.substr(is.size() - 2) + ", listing has " +
           was.substr(was.size() - 2) + "\n" + causes(image) + differ(listed.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 7) {
        return 0;
    }
    const std::uint32_t start =
        data[0] | data[1] << 8 | data[2] << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    std::string image(reinterpret_cast<const char*>(data) + 7, size - 7);
    report_of(start, image, std::string(reinterpret_cast<const char*>(data), size));

    const auto* bytes = reinterpret_cast<const std::uint8_t*>(image.data());
    const std::string listing = model_listing(start, bytes, image.size());
    const std::vector<std::string> listed = split_lines(listing);
    const std::string all_match = "all " + std::to_string(listed.size()) + " pages match\n";
    const std::string own = listed.empty() ? "L: no checksum lines\n" : all_match;
    for (const std::string& text : {listing, utf16_crlf(listing)}) {
        const std::string report = report_of(start, image, text);
        expect(report == own, "the image against its own listing did not match", report, own);
    }
    // The stepping rules find the step a change makes only among pages that are all unlike.
    if (image.empty() ||
        std::set<std::string>(listed.begin(), listed.end()).size() < listed.size()) {
        return 0;
    }

    const std::size_t choice = data[4] | data[5] << 8;
    if (listed.size() >= 2) {
        const std::size_t page = 1 + choice % (listed.size() - 1);
        std::vector<std::string> changed = listed;
        std::string want;
        if ((data[6] & 0x80) != 0) {
            changed.insert(changed.begin() + static_cast<long>(page), listed[page]);
            want = "L:" + std::to_string(page + 2) + ": page not in the image\n" + causes(image) +
                   differ(listed.size() + 1);
        } else {
            changed.erase(changed.begin() + static_cast<long>(page));
            const std::uint32_t base = (start & ~0xFFu) + 0x100u * static_cast<std::uint32_t>(page);
            want =
                hex4(base) + ": page not in the listing\n" + causes(image) + differ(listed.size());
        }
        const std::string report = report_of(start, image, joined(changed));
        expect(report == want, "a page line removed or doubled was not the one step", report, want);
    }

    const std::size_t at = choice % image.size();
    image[at] = static_cast<char>(image[at] ^ (1 << (data[6] % 8)));
    const std::vector<std::string> flipped = split_lines(model_listing(start, bytes, image.size()));
    const std::string report = report_of(start, image, listing);
    const std::uint64_t line = (std::uint64_t{start} + at) & ~std::uint64_t{7};
    if (line + 8 > std::uint64_t{start} + image.size()) {
        expect(report == all_match, "a byte in no whole line was reported", report, all_match);
        return 0;
    }
    std::set<std::string> pages(listed.begin(), listed.end());
    if (!pages
             .insert(
                 flipped[static_cast<std::size_t>((std::uint64_t{start} + at) / 256 - start / 256)])
             .second) {
        return 0; // the flipped page is like another page
    }
    // A flip in the first page may make the image fit the listing at another start: then that
    // start must fit, by the model, and be all that is reported.
    const std::string fits = "L: fits start address ";
    if (report.compare(0, fits.size(), fits) == 0) {
        const auto other =
            static_cast<std::uint32_t>(std::strtoul(report.c_str() + fits.size(), nullptr, 16));
        const std::vector<std::string> there =
            split_lines(model_listing(other, bytes, image.size()));
        const bool fitting = there[0] == listed[0] &&
                             (there.size() == 1 || listed.size() == 1 || there[1] == listed[1]);
        expect(fitting && report == fits + hex4(other) + ", not " + hex4(start) + "\n",
               "a start address that does not fit", report, "");
        return 0;
    }
    const std::string want = flip_report(start, image, at, listed, flipped);
    expect(report == want, "a flipped bit was not reported at its line", report, want);
    return 0;
}
