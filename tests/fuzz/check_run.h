#ifndef PAGETALLY_TESTS_FUZZ_CHECK_RUN_H
#define PAGETALLY_TESTS_FUZZ_CHECK_RUN_H

// A check run in process, as `pagetally --check LISTING --all --format hex [START] IMAGE` runs it,
// the listing named "LISTING" and the image "IMAGE" in its reports.

#include "check/check.h"
#include "image/image.h"
#include "image/image_formats.h"
#include "memory_input.h"

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

struct check_run {
    int status; // as the tool's: 0 all match, 1 something differs, 2 trouble
    std::vector<std::string> lines;
};

namespace check_run_detail {

inline unsigned long long text_line_at(const void* state, std::uint32_t address) {
    return text_line_of(*static_cast<const image*>(state), address);
}

inline std::uint32_t next_byte_at(const void* state, std::uint32_t address) {
    return next_file_byte(*static_cast<const image*>(state), address);
}

inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find('\n', from)) != std::string::npos; from = at + 1) {
        lines.push_back(text.substr(from, at - from));
    }
    if (from < text.size()) {
        lines.push_back(text.substr(from));
    }
    return lines;
}

} // namespace check_run_detail

// `start` is the start-address argument as typed; empty when none is given.
inline check_run run_check(const std::string& listing, const std::string& typed,
                           const std::string& start_text) {
    using namespace check_run_detail;
    std::optional<std::uint32_t> start;
    if (!start_text.empty()) {
        start = static_cast<std::uint32_t>(std::strtoul(start_text.c_str(), nullptr, 16));
    }
    image read{};
    text_input image_in{typed, typed.size(), false, 0};
    const image_error error = read_image_file(image_format::hex, text_source{read_piece, &image_in},
                                              start, read, image_reading::to_check);
    if (error.fault != image_fault::none) {
        char line[256];
        describe_image_error(error, image_format::hex, "IMAGE", line, sizeof line);
        return check_run{2, {line}};
    }
    gathering gathered;
    std::FILE* out = start_gathering(gathered);
    text_input listing_in{listing, listing.size(), false, 0};
    image_replay decoded{&read, 0xFF, {}};
    check_state* state = begin_check(
        check_request{text_source{read_piece, &listing_in}, image_start(read),
                      check_output{out, write_plain, "LISTING", "IMAGE"},
                      check_options{true, true,
                                    image_text{text_line_at, next_byte_at, &read, read.notes.items,
                                               read.notes.count},
                                    false, start_text.empty() ? nullptr : start_text.c_str(),
                                    image_again{image_from_start, &decoded, nullptr, nullptr, 0}}});
    image_reader reader = read_image(read, 0xFF);
    const check_status status = end_check(
        state, walk_pages(image_bytes(reader), image_start(read), check_consumer(*state)));
    const std::string text = end_gathering(gathered);
    const int code = status == check_status::all_match ? 0 : status == check_status::differ ? 1 : 2;
    return check_run{code, lines_of(text)};
}

#endif
