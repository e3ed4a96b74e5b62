#include "cli/outcome.h"

#include "platform/platform.h"

#include <cstdio>
#include <new>

namespace {

// Written without taking memory: there is none.
[[noreturn]] void out_of_memory(int status) {
    const bool written = std::fputs("not enough memory\n", stdout) != EOF;
    std::exit(finish(status, written, status));
}

// A new handler takes no argument: one for each status.
[[noreturn]] void out_of_memory_in_listing() {
    out_of_memory(EXIT_FAILURE);
}

[[noreturn]] void out_of_memory_in_check() {
    out_of_memory(check_trouble);
}

} // namespace

int finish(int status, bool written, int failure) {
    written = std::fflush(stdout) == 0 && std::ferror(stdout) == 0 && written;
    if (std::fclose(stdout) != 0 || !written) {
        std::fputs("cannot write output\n", stderr);
        return failure;
    }
    return status;
}

int fail(const char* line, int status) {
    return finish(status, write_line(stdout, {line}), status);
}

int fail_on_file(const char* what, const char* name, int status) {
    return finish(status, write_line(stdout, {what, " ", name}), status);
}

void end_when_memory_runs_out(int status) {
    std::set_new_handler(status == check_trouble ? out_of_memory_in_check
                                                 : out_of_memory_in_listing);
}
