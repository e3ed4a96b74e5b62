// The check against the model's listing. Input: four bytes of start address (little-endian), two
// bytes that choose a byte of the image and one that chooses a bit, then the image. The image
// checked against its own listing always matches on every page; with the chosen bit flipped, the
// flip is always reported at its line's address, unless the byte lies in no whole line. The
// fuzzer's bytes are also read as a listing, to drive the listing's reader and parser through
// any text.
#include "check.h"
#include "memory_input.h"
#include "model.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string report_of(std::uint32_t start, const std::string& image, const std::string& listing) {
    char* buffer = nullptr;
    std::size_t length = 0;
    std::FILE* out = open_memstream(&buffer, &length);
    text_input text{listing, listing.size(), false, 0};
    memory_input pages{image, image.size(), false, 0};
    check_state state = start_check(text_source{read_piece, &text}, "L", out, write_plain);
    finish_check(state, walk_pages(byte_source{next_piece, &pages}, start, check_consumer(state)));
    std::fclose(out);
    std::string report(buffer, length);
    std::free(buffer);
    return report;
}

void expect(bool holds, const char* what, const std::string& report) {
    if (!holds) {
        std::fprintf(stderr, "%s; the report:\n%s\n", what, report.c_str());
        std::abort();
    }
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

    const std::string listing =
        model_listing(start, reinterpret_cast<const std::uint8_t*>(image.data()), image.size());
    const auto pages =
        static_cast<unsigned long long>(std::count(listing.begin(), listing.end(), '\n'));
    const std::string all_match = "all " + std::to_string(pages) + " pages match\n";
    std::string report = report_of(start, image, listing);
    expect(report == (pages == 0 ? "L: no checksum lines\n" : all_match),
           "the image against its own listing did not match", report);
    if (image.empty()) {
        return 0;
    }

    const std::size_t at = (data[4] | data[5] << 8) % image.size();
    image[at] = static_cast<char>(image[at] ^ (1 << (data[6] % 8)));
    report = report_of(start, image, listing);
    const std::uint64_t line = (std::uint64_t{start} + at) & ~std::uint64_t{7};
    if (line + 8 > std::uint64_t{start} + image.size()) {
        expect(report == all_match, "a byte in no whole line was reported", report);
        return 0;
    }
    char first[32];
    std::snprintf(first, sizeof first, "%04" PRIX32 ": line checksum ",
                  static_cast<std::uint32_t>(line));
    const std::string last = "1 of " + std::to_string(pages) + " pages differ\n";
    expect(report.compare(0, std::strlen(first), first) == 0 && report.size() > last.size() &&
               report.compare(report.size() - last.size(), last.size(), last) == 0 &&
               std::count(report.begin(), report.end(), '\n') == 3,
           "a flipped bit was not reported at its line", report);
    return 0;
}
