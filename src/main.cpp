// pagetally start-address file-name
// pagetally --check listing start-address file-name
// pagetally --help | -h | --version
//
// Prints one line of checksums for every 256-byte page of the file viewed as a memory image at
// the start address; or checks those pages against a published listing of them, line by line.
// A listing ends with status 0, or 1 on any failure. A check ends with 0 when every page
// matched, 1 when something differs, and 2 on trouble: a usage error, a file that cannot be
// opened or read, output that cannot be written, a listing without a checksum line.

#include "address.h"
#include "check.h"
#include "listing.h"
#include "page_walk.h"
#include "platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr const char* list_usage = "usage: pagetally start-address file-name";
constexpr const char* check_usage = "usage: pagetally --check listing start-address file-name";
constexpr int check_trouble = 2;

constexpr const char* help_text =
    "usage: pagetally start-address file-name\n"
    "       pagetally --check listing start-address file-name\n"
    "\n"
    "The first prints, for every 256-byte page of the file viewed as a memory image at the\n"
    "start address (hexadecimal: C000, 0xC000, $C000 or &C000), a checksum of each 8-byte\n"
    "line and the page's total.\n"
    "The second compares those pages with a published listing of them, names every line\n"
    "that differs, and says what the likely cause is.\n"
    "A file-name or listing of - is standard input.\n"
    "\n"
    "Exit status: 0 when the file was listed or every page matched; 1 when the file could\n"
    "not be listed or a check found a difference; 2 when a check could not be made.\n"
#ifdef PAGETALLY_MANUAL
    "See pagetally(1).\n"
#endif
    ;

// What the command line asks for.
enum class command { list, check, help, version, list_usage, check_usage };

struct request {
    command what;
    const char* listing; // of a check
    const char* start;
    const char* image;
};

bool is(const char* argument, const char* word) {
    return std::strcmp(argument, word) == 0;
}

request read_request(program_args args) {
    const char* const* argument = args.values;
    if (args.count > 1 && (is(argument[1], "--help") || is(argument[1], "-h"))) {
        return request{command::help, nullptr, nullptr, nullptr};
    }
    if (args.count > 1 && is(argument[1], "--version")) {
        return request{command::version, nullptr, nullptr, nullptr};
    }
    // Anywhere else, --check is misplaced: a plain listing would pass for a check that passed.
    for (int i = 2; i < args.count; ++i) {
        if (is(argument[i], "--check")) {
            return request{command::check_usage, nullptr, nullptr, nullptr};
        }
    }
    if (args.count > 1 && is(argument[1], "--check")) {
        // Standard input can be one of the two inputs, not both.
        return args.count <= 4 || (is(argument[2], "-") && is(argument[4], "-"))
                   ? request{command::check_usage, nullptr, nullptr, nullptr}
                   : request{command::check, argument[2], argument[3], argument[4]};
    }
    return args.count <= 2 ? request{command::list_usage, nullptr, nullptr, nullptr}
                           : request{command::list, nullptr, argument[1], argument[2]};
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

int list(const char* start_text, const char* name) {
    const auto start = parse_start_address(start_text);
    if (!start) {
        return fail(list_usage);
    }
    input_file in{};
    if (!open_named(name, in)) {
        return fail_on_file("cannot open", name);
    }
    if (refuse_own_output(in, name)) {
        close_input(in);
        return finish(EXIT_FAILURE);
    }
    listing_text text{stdout, is_terminal(stdout), 0, false};
    const walk_status walked = walk_input(in, *start, listing_consumer(text));
    close_input(in);
    if (!finish_listing(text)) {
        return finish(EXIT_FAILURE, false);
    }
    return walked == walk_status::complete ? finish(EXIT_SUCCESS)
                                           : fail_on_file("cannot read", name);
}

long read_listing(void* state, char* buffer, std::size_t size) {
    return read_input(*static_cast<input_file*>(state), buffer, size);
}

long read_image_at(void* state, std::uint64_t offset, void* buffer, std::size_t size) {
    return read_input_at(*static_cast<input_file*>(state), offset, buffer, size);
}

int check(const char* listing_name, const char* start_text, const char* name) {
    const auto start = parse_start_address(start_text);
    if (!start) {
        return fail(check_usage, check_trouble);
    }
    input_file listing{};
    if (!open_named(listing_name, listing)) {
        return fail_on_file("cannot open", listing_name, check_trouble);
    }
    input_file image{};
    if (!open_named(name, image)) {
        return fail_on_file("cannot open", name, check_trouble);
    }
    if (refuse_own_output(listing, listing_name) || refuse_own_output(image, name)) {
        return finish(check_trouble, true, check_trouble);
    }
    // The repeat test reads a regular file a second time.
    const image_reread reread{image.sized ? read_image_at : nullptr, &image, image.size};
    check_state state = start_check(text_source{read_listing, &listing}, *start, reread,
                                    check_output{stdout, write_line, listing_name, name});
    const check_status status =
        finish_check(state, walk_input(image, *start, check_consumer(state)));
    close_input(image);
    close_input(listing);
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

} // namespace

int main(int argc, char** argv) {
    const request asked = read_request(program_arguments(argc, argv));
    switch (asked.what) {
    case command::list:
        return list(asked.start, asked.image);
    case command::check:
        return check(asked.listing, asked.start, asked.image);
    case command::help:
        return finish(EXIT_SUCCESS, std::fputs(help_text, stdout) != EOF);
    case command::version:
        return finish(EXIT_SUCCESS, write_line(stdout, {"pagetally ", PAGETALLY_VERSION}));
    case command::list_usage:
        return fail(list_usage);
    case command::check_usage:
        break;
    }
    return fail(check_usage, check_trouble);
}
