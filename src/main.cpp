// pagetally start-address file-name
//
// Prints one line of checksums for every 256-byte page of the file viewed as a memory image at
// the start address. Status 0 after a complete listing, 1 after any failure.

#include "address.h"
#include "input_file.h"
#include "listing.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Ends the run: standard output must have taken everything, or the run failed. Standard output
// is then the broken channel, so that one message goes to standard error.
int finish(int status) {
    const bool written = std::fflush(stdout) == 0 && std::ferror(stdout) == 0;
    if (std::fclose(stdout) != 0 || !written) {
        std::fputs("cannot write output\n", stderr);
        return EXIT_FAILURE;
    }
    return status;
}

int usage() {
    std::fputs("usage: pagetally start-address file-name\n", stdout);
    return finish(EXIT_FAILURE);
}

int fail_on_file(const char* what, const char* name) {
    std::printf("%s %s\n", what, name);
    return finish(EXIT_FAILURE);
}

} // namespace

int main(int argc, char** argv) {
    if (argc <= 2) {
        return usage();
    }
    const auto start = parse_start_address(argv[1]);
    if (!start) {
        return usage();
    }
    const char* name = argv[2];
    std::FILE* in = open_input(name);
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
