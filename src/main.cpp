// pagetally start-address file-name
//
// Prints one line of checksums for every 256-byte page of the file viewed as a memory image at
// the start address. Status 0 after a complete listing, 1 after any failure.

#include "address.h"
#include "listing.h"
#include "platform.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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
    return finish(EXIT_FAILURE, write_line(stdout, "usage: pagetally start-address file-name"));
}

int fail_on_file(const char* what, const std::string& name) {
    return finish(EXIT_FAILURE, write_line(stdout, what + (' ' + name)));
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args = program_arguments(argc, argv);
    if (args.size() <= 2) {
        return usage();
    }
    const auto start = parse_start_address(args[1].c_str());
    if (!start) {
        return usage();
    }
    const std::string& name = args[2];
    std::FILE* in = open_input(name.c_str());
    if (in == nullptr) {
        return fail_on_file("cannot open", name);
    }
    const listing_status status = list_page_checksums(in, *start, stdout);
    std::fclose(in);
    switch (status) {
    case listing_status::complete:
        return finish(EXIT_SUCCESS);
    case listing_status::read_failed:
        return fail_on_file("cannot read", name);
    case listing_status::write_failed:
        break;
    }
    return finish(EXIT_FAILURE);
}
