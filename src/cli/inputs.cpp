#include "cli/inputs.h"

#include "cli/outcome.h"
#include "image/image_formats.h"
#include "image/prg.h"
#include "text/address.h"

#include <cstdio>
#include <cstring>

namespace {

long read_text(void* state, char* buffer, std::size_t size) {
    return read_input(*static_cast<input_file*>(state), buffer, size);
}

// Standard output must not be an input: the tool would read what it writes.
bool refuse_own_output(const input_file& in, const char* name) {
    if (!writes_to_input(stdout, in)) {
        return false;
    }
    write_line(stderr, {"cannot list ", name, " into itself"});
    return true;
}

// Refuses a file that is not an image of its format, with the line that says why. The line is
// as long as the name, and the longest message, allow.
int refuse_image(const image_error& error, const request& asked, int status) {
    const std::size_t size = std::strlen(asked.image) + 160;
    char* line = new char[size];
    describe_image_error(error, asked.format, asked.image, line, size);
    const int ended = fail(line, status);
    delete[] line;
    return ended;
}

// Refuses to write the image over one of the inputs, however it is named.
bool refuse_output_of_input(const request& asked, const input_file* listing,
                            const input_file& image, int failure, int& status) {
    const char* name = asked.write_name;
    if (name == nullptr || std::strcmp(name, "-") == 0) {
        return false;
    }
    const bool is_image = names_input(name, image);
    if (!is_image && (listing == nullptr || !names_input(name, *listing))) {
        return false;
    }
    status = finish(failure,
                    write_line(stdout, {name, is_image ? " is the image" : " is the listing",
                                        "; write to another file"}),
                    failure);
    return true;
}

// Whether writing the image in `format` needs to know where it ends before its first byte is
// written (the S-record type, the range of a .prg).
bool needs_end_first(image_format format) {
    return format == image_format::srec || format == image_format::prg;
}

} // namespace

bool open_named(const char* name, input_file& in) {
    if (std::strcmp(name, "-") == 0) {
        in = open_standard_input();
        return true;
    }
    return open_input(name, in);
}

text_source text_of(input_file& in) {
    return text_source{read_text, &in};
}

bool open_image(const request& asked, const char* usage, int failure, input_file* listing,
                opened_image& image, int& status) {
    image.start = asked.start != nullptr ? parse_start_address(asked.start) : std::nullopt;
    if (asked.start != nullptr && !image.start) {
        status = fail(usage, failure);
        return false;
    }
    if (listing != nullptr && !open_named(asked.listing, *listing)) {
        status = fail_on_file("cannot open", asked.listing, failure);
        return false;
    }
    if (!open_named(asked.image, image.in)) {
        status = fail_on_file("cannot open", asked.image, failure);
        return false;
    }
    if ((listing != nullptr && refuse_own_output(*listing, asked.listing)) ||
        refuse_own_output(image.in, asked.image)) {
        close_input(image.in);
        status = finish(failure, true, failure);
        return false;
    }
    if (refuse_output_of_input(asked, listing, image.in, failure, status)) {
        close_input(image.in);
        return false;
    }
    image.read.memory = image_memory{take_image_chunk, give_back_image_chunk};
    image.raw = asked.format == image_format::raw;
    // A raw image from a pipe is held whole when it is to be written so.
    const bool held = image.raw && asked.write_name != nullptr &&
                      needs_end_first(asked.write_format) && !image.in.sized;
    if (image.raw && !held) {
        return true;
    }
    if (held) {
        const std::uint32_t at = image.start.value_or(0);
        const image_error error = read_raw_bytes(text_of(image.in), at, image.read);
        close_input(image.in);
        image.raw = false;
        if (error.fault != image_fault::none) {
            status = refuse_image(error, asked, failure);
            return false;
        }
        place_image(image.read, at, at);
        return true;
    }
    const image_error error =
        read_image_file(asked.format, text_of(image.in), image.start, image.read,
                        listing != nullptr ? image_reading::to_check : image_reading::to_list);
    close_input(image.in);
    if (error.fault != image_fault::none) {
        status = refuse_image(error, asked, failure);
        return false;
    }
    return true;
}

std::uint32_t image_first(const opened_image& image) {
    return image.raw ? image.start.value_or(0) : image_start(image.read);
}

walk_status walk_image(opened_image& image, std::uint8_t fill, page_consumer out) {
    if (image.raw) {
        return walk_input(image.in, image.start.value_or(0), out);
    }
    image_reader reader = read_image(image.read, fill);
    return walk_pages(image_bytes(reader), image_start(image.read), out);
}
