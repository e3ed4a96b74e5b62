#include "image/image.h"

#include "image/image_runs.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Whether line `line`, giving `n` bytes at `address` from `bytes` on, goes on with `run`.
bool goes_on(const image_run& run, std::uint32_t address, const std::uint8_t* bytes, std::size_t n,
             unsigned long long line) {
    if (run.bytes + run.size != bytes || std::uint64_t{run.address} + run.size != address) {
        return false;
    }
    if (line == 0 || run.line == 0) {
        return line == run.line;
    }
    if (run.size == run.first_size) {
        return line == run.line + 1;
    }
    const std::uint32_t later = run.size - run.first_size;
    return later % run.line_size == 0 && n <= run.line_size &&
           line == run.line + later / run.line_size + 1;
}

bool add_run(image& image, std::uint32_t address, const std::uint8_t* bytes, std::uint32_t n,
             unsigned long long line) {
    image_run* last = image.runs.count > 0 ? &image.runs.items[image.runs.count - 1] : nullptr;
    if (image.open_line && last != nullptr && goes_on(*last, address, bytes, n, line)) {
        if (last->line != 0 && last->size == last->first_size) {
            last->line_size = n;
        } else if (last->line == 0) {
            last->first_size += n;
        }
        last->size += n;
        return true;
    }
    image.open_line = true;
    return push(image.runs, image_run{address, n, bytes, line, n, 0, 0});
}

} // namespace

void chunk_release::operator()(std::uint8_t* bytes) const {
    if (give_back != nullptr) {
        give_back(bytes);
    } else {
        std::free(bytes);
    }
}

image_chunks::~image_chunks() {
    for (std::uint8_t* chunk : held) {
        release(chunk);
    }
}

std::uint8_t* image_room(image& image, std::size_t n) {
    image_chunks& chunks = image.chunks;
    if (chunks.held.count == 0 || image_chunk_size - image.used < n) {
        // Not zeroed: every byte is written before it is read.
        std::uint8_t* chunk = image.memory.take != nullptr
                                  ? image.memory.take()
                                  : static_cast<std::uint8_t*>(std::malloc(image_chunk_size));
        chunks.release = chunk_release{image.memory.give_back};
        if (chunk == nullptr || !push(chunks.held, chunk)) {
            chunks.release(chunk);
            return nullptr;
        }
        image.used = 0;
        image.open_line = false;
    }
    return chunks.held.items[chunks.held.count - 1] + image.used;
}

bool add_bytes(image& image, std::uint32_t address, std::size_t n, unsigned long long line) {
    const std::uint8_t* bytes = image.chunks.held.items[image.chunks.held.count - 1] + image.used;
    image.used += n;
    const std::uint64_t below_wrap = address_space - address;
    if (n > below_wrap) {
        if (!add_run(image, address, bytes, static_cast<std::uint32_t>(below_wrap), line)) {
            return false;
        }
        bytes += below_wrap;
        n -= below_wrap;
        address = 0;
        image.open_line = false; // a new run, its first line the same line
    }
    return n == 0 || add_run(image, address, bytes, static_cast<std::uint32_t>(n), line);
}

bool image_empty(const image& image) {
    return image.runs.count == 0;
}

std::uint32_t lowest_address(const image& image) {
    std::uint32_t lowest = image_empty(image) ? 0 : image.runs.items[0].address;
    for (const image_run& run : image.runs) {
        lowest = std::min(lowest, run.address);
    }
    return lowest;
}

std::uint32_t image_start(const image& image) {
    return image.origin + (image_empty(image) ? 0 : image.runs.items[0].offset);
}
