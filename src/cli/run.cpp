#include "cli/run.h"

#include "check/check.h"
#include "cli/inputs.h"
#include "cli/outcome.h"
#include "cli/writing.h"
#include "image/image_formats.h"
#include "listing/listing.h"

#include <cstdio>
#include <cstring>

namespace {

// The text line that gave the byte at `address` of an image read from a text, and the next
// byte from the text.
unsigned long long text_line_at(const void* state, std::uint32_t address) {
    return text_line_of(*static_cast<const image*>(state), address);
}

std::uint32_t next_byte_at(const void* state, std::uint32_t address) {
    return next_file_byte(*static_cast<const image*>(state), address);
}

image_text text_of_image(const image& read, bool text) {
    if (!text) {
        return image_text{};
    }
    return image_text{text_line_at, next_byte_at, &read, read.notes.items, read.notes.count};
}

long read_image_at(void* state, std::uint64_t offset, void* buffer, std::size_t size) {
    return read_input_at(*static_cast<input_file*>(state), offset, buffer, size);
}

// How a failed check reads the image again to explain it: a raw regular file, or an image read
// whole.
struct image_access {
    file_replay file;
    image_replay decoded;
};

check_options options_for(const request& asked, opened_image& opened, image_access& access) {
    const bool text = asked.format == image_format::hex || asked.format == image_format::ihex ||
                      asked.format == image_format::srec;
    // The repeat test and a header's search read a raw regular file again.
    access.file = file_replay{opened.raw && opened.in.sized ? read_image_at : nullptr, &opened.in,
                              opened.in.size, 0};
    access.decoded = image_replay{&opened.read, asked.fill, {}};
    const image_again again =
        opened.raw ? file_again(access.file)
                   : image_again{image_from_start, &access.decoded, nullptr, nullptr, 0};
    return check_options{asked.all_reports,
                         asked.format == image_format::hex,
                         text_of_image(opened.read, text),
                         opened.raw,
                         asked.start,
                         again,
                         image_memory{take_image_chunk, give_back_image_chunk},
                         asked.fill};
}

// The status that ends a check, and the message of its trouble.
int ended(check_status status, const char* listing_name, const char* name) {
    switch (status) {
    case check_status::all_match:
        return finish(EXIT_SUCCESS, true, check_trouble);
    case check_status::differ:
        return finish(EXIT_FAILURE, true, check_trouble);
    case check_status::no_checksum_lines:
        return finish(check_trouble, true, check_trouble);
    case check_status::image_failed:
        return fail_on_file("cannot read", name, check_trouble);
    case check_status::image_changed:
        return finish(check_trouble, write_line(stdout, {name, ": changed while it was checked"}),
                      check_trouble);
    case check_status::listing_failed:
        return fail_on_file("cannot read", listing_name, check_trouble);
    case check_status::no_memory:
        return fail("not enough memory", check_trouble);
    case check_status::write_failed:
        break;
    }
    return finish(check_trouble, false, check_trouble);
}

} // namespace

int list(const request& asked) {
    end_when_memory_runs_out(EXIT_FAILURE);
    opened_image opened{};
    image_output output{};
    int status = 0;
    if (!open_image(asked, list_usage, EXIT_FAILURE, nullptr, opened, status)) {
        return status;
    }
    if (!open_image_output(asked, opened, EXIT_FAILURE, output, status)) {
        close_input(opened.in);
        return status;
    }
    // The image written to standard output takes the listing's place.
    const bool listed = asked.write_name == nullptr || std::strcmp(asked.write_name, "-") != 0;
    listing_text text{stdout, is_terminal(stdout), 0, false};
    const walk_status walked =
        walk_image(opened, asked.fill,
                   output_consumer(asked, output, image_first(opened),
                                   listed ? listing_consumer(text) : no_consumer()));
    close_input(opened.in);
    const bool complete = walked == walk_status::complete;
    if (listed && !finish_listing(text)) {
        close_image_output(asked, output, false);
        return finish(EXIT_FAILURE, false);
    }
    if (!close_image_output(asked, output, complete)) {
        return listed ? fail_on_file("cannot write", asked.write_name)
                      : finish(EXIT_FAILURE, false);
    }
    if (!complete) {
        return asked.write_name == nullptr || !listed
                   ? fail_on_file("cannot read", asked.image)
                   : finish(EXIT_FAILURE,
                            write_line(stdout, {"cannot read ", asked.image}) &&
                                write_line(stdout, {"cannot write ", asked.write_name}));
    }
    return finish(EXIT_SUCCESS);
}

int check(const request& asked) {
    end_when_memory_runs_out(check_trouble);
    input_file listing{};
    opened_image opened{};
    int status = 0;
    if (!open_image(asked, check_usage, check_trouble, &listing, opened, status)) {
        return status;
    }
    image_output output{};
    if (!open_image_output(asked, opened, check_trouble, output, status)) {
        close_input(opened.in);
        close_input(listing);
        return status;
    }
    image_access access{};
    check_request checking{text_of(listing), image_first(opened),
                           check_output{stdout, write_line, asked.listing, asked.image},
                           options_for(asked, opened, access)};
    checking.options.write_name = asked.write_name;
    check_state* state = begin_check(checking);
    const walk_status walked = state == nullptr
                                   ? walk_status::complete
                                   : walk_image(opened, asked.fill,
                                                output_consumer(asked, output, image_first(opened),
                                                                check_consumer(*state)));
    const check_status ending = end_check(state, walked);
    close_input(opened.in);
    close_input(listing);
    // OUT is written once every page matched and that was said.
    const bool matched =
        ending == check_status::all_match && std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    if (!close_image_output(asked, output, matched)) {
        return fail_on_file("cannot write", asked.write_name, check_trouble);
    }
    // The trouble that ended a check comes last, and that nothing was written before it.
    const bool trouble =
        ending == check_status::image_failed || ending == check_status::image_changed ||
        ending == check_status::listing_failed || ending == check_status::no_memory;
    if (asked.write_name != nullptr && trouble) {
        write_line(stdout, {asked.write_name, ": not written, since the check failed"});
    }
    return ended(ending, asked.listing, asked.image);
}
