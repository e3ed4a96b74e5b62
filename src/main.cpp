// pagetally start-address file-name
//
// Prints one line of checksums for every 256-byte page of the file viewed as a memory image at
// the start address. Status 0 after a complete listing, 1 after any failure.

#include "address.h"
#include "listing.h"
#include "page_walk.h"
#include "platform.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Ends the run: standard output must have taken everything, or the run failed. Standard output
// is then the broken channel, so that one message goes to standard error.
int finish(int status, bool written = true) {
    written = std::fflush(stdout) == 0 && std::ferror(stdout) == 0 && written;
    if (std::fclose(stdout) != 0 || !written) {
        std::fputs("cannot write output\n", stderr);
        return EXIT_FAILURE;
    }
    return status;
}

int usage() {
    return finish(EXIT_FAILURE, write_line(stdout, {"usage: pagetally start-address file-name"}));
}

int fail_on_file(const char* what, const char* name) {
    return finish(EXIT_FAILURE, write_line(stdout, {what, " ", name}));
}

} // namespace

int main(int argc, char** argv) {
    const program_args args = program_arguments(argc, argv);
    if (args.count <= 2) {
        return usage();
    }
    const auto start = parse_start_address(args.values[1]);
    if (!start) {
        return usage();
    }
    const char* name = args.values[2];
    input_file in{};
    if (!open_input(name, in)) {
        return fail_on_file("cannot open", name);
    }
    if (writes_to_input(stdout, in)) {
        // Standard output is the input itself: the message must not go there.
        close_input(in);
        write_line(stderr, {"cannot list ", name, " into itself"});
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
