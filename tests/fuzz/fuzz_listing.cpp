// The page listing against a plain model of the memory image, through every way the input is
// read: in memory in runs of a chosen size, from a regular file, and from a pipe. Input: four
// bytes of start address (little-endian), one byte that chooses the run size, then the file's
// bytes. The model places every byte at its unwrapped 64-bit address and lists, for every page
// the file reaches into, the whole aligned lines in it.
#include "listing/listing.h"
#include "memory_input.h"
#include "model.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <sys/mman.h>
#include <unistd.h>

namespace {

enum class path { memory, regular_file, pipe };

// The input behind a descriptor: a regular file in memory, or a pipe that holds it whole (the
// fuzzer's inputs are far below a pipe's capacity).
input_file input_of(path kind, const std::uint8_t* data, std::size_t size) {
    int fds[2] = {-1, -1};
    if (kind == path::regular_file) {
        fds[0] = memfd_create("fuzz_listing", 0);
        fds[1] = dup(fds[0]);
    } else if (pipe(fds) != 0) {
        std::abort();
    }
    if (fds[0] < 0 || write(fds[1], data, size) != static_cast<ssize_t>(size)) {
        std::abort();
    }
    close(fds[1]);
    lseek(fds[0], 0, SEEK_SET);
    return input_file{fds[0], kind == path::regular_file, size, 0};
}

std::string listing_of(path kind, std::uint32_t start, const std::uint8_t* data, std::size_t size,
                       std::size_t piece) {
    char* buffer = nullptr;
    std::size_t length = 0;
    std::FILE* out = open_memstream(&buffer, &length);
    if (out == nullptr) {
        std::abort();
    }
    listing_text text{out, false, 0, false};
    walk_status status = walk_status::complete;
    if (kind == path::memory) {
        const std::string bytes(reinterpret_cast<const char*>(data), size);
        memory_input in{bytes, piece, false, 0};
        status = walk_pages(byte_source{next_piece, &in}, start, listing_consumer(text));
    } else {
        input_file in = input_of(kind, data, size);
        status = walk_input(in, start, listing_consumer(text));
        close_input(in);
    }
    if (!finish_listing(text) || status != walk_status::complete) {
        std::fputs("the listing did not complete\n", stderr);
        std::abort();
    }
    std::fclose(out);
    std::string listing(buffer, length);
    std::free(buffer);
    return listing;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint32_t start = 0;
    const std::size_t header = std::min<std::size_t>(size, 5);
    for (std::size_t i = 0; i < header && i < 4; ++i) {
        start |= static_cast<std::uint32_t>(data[i]) << (8 * i);
    }
    const std::size_t piece = header == 5 ? std::size_t{data[4]} + 1 : 256;
    const std::uint8_t* bytes = data + header;
    const std::size_t n = size - header;
    const std::string want = model_listing(start, bytes, n);
    for (const path kind : {path::memory, path::regular_file, path::pipe}) {
        const std::string got = listing_of(kind, start, bytes, n, piece);
        if (got != want) {
            std::fprintf(stderr,
                         "path %d, start %08X, %zu bytes in runs of %zu\ngot:\n%s\nwant:\n%s\n",
                         static_cast<int>(kind), start, n, piece, got.c_str(), want.c_str());
            std::abort();
        }
    }
    return 0;
}
