// pagetally [--format NAME] [--fill XX] start-address file-name
// pagetally --format NAME [--fill XX] file-name
// pagetally --check LISTING [--all] [--format NAME] [--fill XX] [start-address] file-name
// pagetally --help | -h | --version
//
// Prints one line of checksums for every 256-byte page of the file viewed as a memory image at
// the start address; or checks those pages against a published listing of them, line by line.
// The file is raw bytes, or a text or file that gives its bytes' addresses (--format). A
// listing ends with status 0, or 1 on any failure. A check ends with 0 when every page matched,
// 1 when something differs, and 2 on trouble: a usage error, a file that cannot be opened, read
// or decoded, output that cannot be written, a listing without a checksum line.

#include "check/check.h"
#include "cli/command_line.h"
#include "image/image_formats.h"
#include "listing/listing.h"
#include "platform/platform.h"
#include "text/address.h"
#include "walk/page_walk.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace {

constexpr const char* list_usage = "usage: pagetally start-address file-name";
constexpr const char* check_usage = "usage: pagetally --check listing start-address file-name";
constexpr int check_trouble = 2;

constexpr const char* help_text =
    "usage: pagetally [--format NAME] [--fill XX] start-address file-name\n"
    "       pagetally --format NAME [--fill XX] file-name\n"
    "       pagetally --check LISTING [--all] [--format NAME] [--fill XX] [start-address] "
    "file-name\n"
    "\n"
    "The first prints, for every 256-byte page of the file viewed as a memory image at the\n"
    "start address (hexadecimal: C000, 0xC000, $C000 or &C000), a checksum of each 8-byte\n"
    "line and the page's total.\n"
    "The second takes the addresses from the file itself: --format hex, ihex, srec, prg.\n"
    "The third compares those pages with a published listing of them, names every line\n"
    "that differs, and says what the likely cause is.\n"
    "A file-name or listing of - is standard input.\n"
    "\n"
    "Options, before the start address (-- ends them):\n"
    "  --format NAME     how the file holds the image: raw (its bytes, the default),\n"
    "                    hex (typed hex text, with or without address labels), ihex (Intel\n"
    "                    HEX), srec (Motorola S-records) or prg (a load address, then the\n"
    "                    bytes); a start address given moves the image's lowest address there\n"
    "  --fill XX         the byte at addresses between the image's bytes that hold none\n"
    "                    (default FF, as an erased EPROM)\n"
    "  --check LISTING   compare the image with LISTING\n"
    "  --all             in a check, write every report, not only the first ten\n"
    "  --help, -h        show this help;  --version  show the version\n"
    "\n"
    "Exit status: 0 when the file was listed or every page matched; 1 when the file could\n"
    "not be listed or a check found a difference; 2 when a check could not be made.\n"
#ifdef PAGETALLY_MANUAL
    "See pagetally(1).\n"
#endif
    ;

bool is(const char* argument, const char* word) {
    return std::strcmp(argument, word) == 0;
}

// Ends the run: standard output must have taken everything, or the run failed with `failure`.
// Standard output is then the broken channel, so that one message goes to standard error.
int finish(int status, bool written = true, int failure = EXIT_FAILURE) {
    written = std::fflush(stdout) == 0 && std::ferror(stdout) == 0 && written;
    if (std::fclose(stdout) != 0 || !written) {
        std::fputs("cannot write output\n", stderr);
        return failure;
    }
    return status;
}

int fail(const char* usage_line, int status = EXIT_FAILURE) {
    return finish(status, write_line(stdout, {usage_line}), status);
}

int fail_on_file(const char* what, const char* name, int status = EXIT_FAILURE) {
    return finish(status, write_line(stdout, {what, " ", name}), status);
}

// An input named "-" is standard input; "./-" names a file called "-".
bool open_named(const char* name, input_file& in) {
    if (is(name, "-")) {
        in = open_standard_input();
        return true;
    }
    return open_input(name, in);
}

// Standard output must not be an input: the tool would read what it writes.
bool refuse_own_output(input_file& in, const char* name) {
    if (!writes_to_input(stdout, in)) {
        return false;
    }
    write_line(stderr, {"cannot list ", name, " into itself"});
    return true;
}

// The start address asked for: none when it was left out, false when it is refused.
bool read_start(const request& asked, std::optional<std::uint32_t>& start) {
    start = asked.start != nullptr ? parse_start_address(asked.start) : std::nullopt;
    return asked.start == nullptr || start.has_value();
}

long read_text(void* state, char* buffer, std::size_t size) {
    return read_input(*static_cast<input_file*>(state), buffer, size);
}

// Reads an image in a format that gives its addresses, whole.
image_error read_whole_image(const request& asked, input_file& in,
                             std::optional<std::uint32_t> start, image& read) {
    const image_error error =
        read_image_file(asked.format, text_source{read_text, &in}, start, read);
    close_input(in);
    return error;
}

// Refuses a file that is not an image of its format, with the line that says why.
int refuse_image(const image_error& error, const request& asked, int status) {
    std::string line(std::strlen(asked.image) + 160, '\0');
    describe_image_error(error, asked.format, asked.image, line.data(), line.size());
    return fail(line.c_str(), status);
}

// Walks the image: raw bytes as they are read from `in`, or an image read whole.
walk_status walk_image(input_file& in, std::uint32_t start, const image* read, std::uint8_t fill,
                       page_consumer out) {
    if (read == nullptr) {
        return walk_input(in, start, out);
    }
    image_reader reader = read_image(*read, fill);
    return walk_pages(image_bytes(reader), image_start(*read), out);
}

int list(const request& asked) {
    std::optional<std::uint32_t> start;
    if (!read_start(asked, start)) {
        return fail(list_usage);
    }
    input_file in{};
    if (!open_named(asked.image, in)) {
        return fail_on_file("cannot open", asked.image);
    }
    if (refuse_own_output(in, asked.image)) {
        close_input(in);
        return finish(EXIT_FAILURE);
    }
    image read{};
    read.memory = image_memory{take_image_chunk, give_back_image_chunk};
    const bool raw = asked.format == image_format::raw;
    const image_error error = raw ? image_error{} : read_whole_image(asked, in, start, read);
    if (error.fault != image_fault::none) {
        return refuse_image(error, asked, EXIT_FAILURE);
    }
    listing_text text{stdout, is_terminal(stdout), 0, false};
    const walk_status walked = walk_image(in, start.value_or(0), raw ? nullptr : &read, asked.fill,
                                          listing_consumer(text));
    close_input(in);
    if (!finish_listing(text)) {
        return finish(EXIT_FAILURE, false);
    }
    return walked == walk_status::complete ? finish(EXIT_SUCCESS)
                                           : fail_on_file("cannot read", asked.image);
}

// The text line that gave the byte at `address` of an image read from a text.
unsigned long long text_line_at(const void* state, std::uint32_t address) {
    return line_at(*static_cast<const image*>(state), address);
}

long read_image_at(void* state, std::uint64_t offset, void* buffer, std::size_t size) {
    return read_input_at(*static_cast<input_file*>(state), offset, buffer, size);
}

// How a failed check reads the image again to explain it: a raw regular file, or an image read
// whole.
struct image_access {
    rereading file;
    image_rereading decoded;
};

check_options options_for(const request& asked, image& read, const image_reread& reread,
                          image_access& access) {
    const bool raw = asked.format == image_format::raw;
    const bool text = asked.format == image_format::hex || asked.format == image_format::ihex ||
                      asked.format == image_format::srec;
    const image_again again =
        raw ? image_again{reread.read_at != nullptr ? reread_from_start : nullptr, &access.file,
                          reread.read_at, reread.state}
            : image_again{image_from_start, &access.decoded};
    return check_options{asked.all_reports,
                         asked.format == image_format::hex,
                         text ? text_line_at : nullptr,
                         &read,
                         raw,
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
    case check_status::listing_failed:
        return fail_on_file("cannot read", listing_name, check_trouble);
    case check_status::write_failed:
        break;
    }
    return finish(check_trouble, false, check_trouble);
}

int check(const request& asked) {
    std::optional<std::uint32_t> start;
    if (!read_start(asked, start)) {
        return fail(check_usage, check_trouble);
    }
    const char* listing_name = asked.listing;
    const char* name = asked.image;
    input_file listing{};
    if (!open_named(listing_name, listing)) {
        return fail_on_file("cannot open", listing_name, check_trouble);
    }
    input_file in{};
    if (!open_named(name, in)) {
        return fail_on_file("cannot open", name, check_trouble);
    }
    if (refuse_own_output(listing, listing_name) || refuse_own_output(in, name)) {
        return finish(check_trouble, true, check_trouble);
    }
    image read{};
    read.memory = image_memory{take_image_chunk, give_back_image_chunk};
    const bool raw = asked.format == image_format::raw;
    const image_error error = raw ? image_error{} : read_whole_image(asked, in, start, read);
    if (error.fault != image_fault::none) {
        return refuse_image(error, asked, check_trouble);
    }
    // The repeat test reads a raw regular file a second time.
    const image_reread reread{raw && in.sized ? read_image_at : nullptr, &in, in.size};
    const std::uint32_t first = raw ? start.value_or(0) : image_start(read);
    image_access access{rereading{reread, 0}, image_rereading{&read, asked.fill, {}}};
    const check_options options = options_for(asked, read, reread, access);
    // Large: kept off the stack, which may be small.
    const auto checking = std::make_unique<check_state>();
    check_state& state = *checking;
    start_check(state, text_source{read_text, &listing}, first, reread,
                check_output{stdout, write_line, listing_name, name}, options);
    const walk_status walked =
        walk_image(in, first, raw ? nullptr : &read, asked.fill, check_consumer(state));
    const check_status status = finish_check(state, walked);
    close_input(in);
    close_input(listing);
    return ended(status, listing_name, name);
}

} // namespace

int main(int argc, char** argv) {
    const program_args args = program_arguments(argc, argv);
    const request asked = read_request(args.count, args.values);
    const int usage_status = asked.check_form ? check_trouble : EXIT_FAILURE;
    switch (asked.what) {
    case command::list:
        return list(asked);
    case command::check:
        return check(asked);
    case command::help:
        return finish(EXIT_SUCCESS, std::fputs(help_text, stdout) != EOF);
    case command::version:
        return finish(EXIT_SUCCESS, write_line(stdout, {"pagetally ", PAGETALLY_VERSION}));
    case command::unknown_format:
        return finish(usage_status,
                      write_line(stdout, {"unknown format ", asked.format_name,
                                          ": raw, hex, ihex, srec or prg"}),
                      usage_status);
    case command::usage:
        break;
    }
    return fail(asked.check_form ? check_usage : list_usage, usage_status);
}
