#include "input_file.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

bool is_directory(std::FILE* stream) {
#ifdef _WIN32
    (void)stream; // opening a directory already fails on Windows
    return false;
#else
    struct stat status {};
    return fstat(fileno(stream), &status) == 0 && S_ISDIR(status.st_mode);
#endif
}

} // namespace

std::FILE* open_input(const char* name) {
    std::FILE* stream = std::fopen(name, "rb");
    if (stream != nullptr && is_directory(stream)) {
        std::fclose(stream);
        return nullptr;
    }
    return stream;
}
