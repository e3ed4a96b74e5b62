#include "image/image.h"

#include "image/image_runs.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint32_t chunk_mask = image_chunk_size - 1;
constexpr std::size_t block_bytes = image_chunk_size; // of bits
constexpr std::size_t chunk_words = image_chunk_size / 64;

std::uint8_t* take(const image_memory& memory) {
    return memory.take != nullptr ? memory.take()
                                  : static_cast<std::uint8_t*>(std::malloc(image_chunk_size));
}

// The chunk and the bits for the byte at `address`, taken when none is there yet; false when
// there is no memory for them.
bool chunk_for(image& image, std::uint32_t address) {
    image_store& s = image.store;
    if (s.chunks == nullptr) {
        s.chunks = static_cast<std::uint8_t**>(std::calloc(image_chunks_most, sizeof *s.chunks));
        s.blocks = static_cast<std::uint64_t**>(
            std::calloc(image_chunks_most / image_chunks_a_block, sizeof *s.blocks));
        s.release = chunk_release{image.memory.give_back};
        if (s.chunks == nullptr || s.blocks == nullptr) {
            return false;
        }
    }
    const std::size_t k = address / image_chunk_size;
    std::uint64_t*& block = s.blocks[k / image_chunks_a_block];
    if (block == nullptr && image.memory.take != nullptr) {
        // From the chunks' source, as large pages for an image of many chunks; zeroed, as every
        // bit is read.
        block = reinterpret_cast<std::uint64_t*>(image.memory.take());
        if (block != nullptr) {
            std::memset(block, 0, block_bytes);
        }
    } else if (block == nullptr) {
        block = static_cast<std::uint64_t*>(std::calloc(block_bytes, 1));
    }
    if (s.chunks[k] == nullptr) {
        s.chunks[k] = take(image.memory); // not zeroed: a byte is written before it is read
    }
    return s.chunks[k] != nullptr && block != nullptr;
}

// The bits of the chunk that holds `address`: bit i of word w for its byte 64 w + i.
std::uint64_t* bits_of(const image_store& s, std::uint32_t address) {
    const std::size_t k = address / image_chunk_size;
    return s.blocks[k / image_chunks_a_block] + k % image_chunks_a_block * chunk_words;
}

// The bits of word `w` for the bytes [at, end) of a chunk.
std::uint64_t mask(std::size_t w, std::size_t at, std::size_t end) {
    const std::size_t from = at > w * 64 ? at - w * 64 : 0;
    const std::size_t to = end < w * 64 + 64 ? end - w * 64 : 64;
    const std::uint64_t below_to = to == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << to) - 1;
    return below_to & ~((std::uint64_t{1} << from) - 1);
}

// Whether none of the `n` bytes from `address` on (within one chunk) is given.
bool none_given(const image_store& s, std::uint32_t address, std::size_t n) {
    const std::uint64_t* bits = bits_of(s, address);
    const std::size_t at = address & chunk_mask;
    for (std::size_t w = at / 64; w * 64 < at + n; ++w) {
        if ((bits[w] & mask(w, at, at + n)) != 0) {
            return false;
        }
    }
    return true;
}

void mark_given(image_store& s, std::uint32_t address, std::size_t n) {
    std::uint64_t* bits = bits_of(s, address);
    const std::size_t at = address & chunk_mask;
    for (std::size_t w = at / 64; w * 64 < at + n; ++w) {
        bits[w] |= mask(w, at, at + n);
    }
}

bool is_given(const image_store& s, std::uint32_t address) {
    return !none_given(s, address, 1);
}

// Whether the last run goes on with `n` bytes at `address` from text line `line`, and how.
bool extend(image& image, std::uint32_t address, std::uint32_t n, unsigned long long line) {
    image_run& run = image.runs.items[image.runs.count - 1];
    const std::uint64_t end = std::uint64_t{run.address} + run.size;
    run_tail& tail = image.tail;
    if (run.size + std::uint64_t{n} >= address_space) {
        return false;
    }
    if (run.lines == 0 || line == 0) {
        if (run.lines != 0 || line != 0 || end != address) {
            return false;
        }
        run.size += n; // bytes of a file that is not text
        return true;
    }
    run_lines l = lines_of(run);
    const bool one_line = run.size == l.first_size;
    if (line != tail.next_line || !tail.full || (!one_line && n > l.line_size)) {
        return false; // not the next line, or the run's last line is short
    }
    const bool up = end == address && (one_line || !l.down);
    const bool down = std::uint64_t{address} + n == run.address && (one_line || l.down);
    if (!up && !down) {
        return false;
    }
    l.down = down && !up;
    l.line_size = one_line ? n : l.line_size;
    run.lines = packed(l);
    run.address = l.down ? address : run.address;
    run.size += n;
    tail = run_tail{line + 1, n == l.line_size};
    return true;
}

// Adds `n` bytes that the file gives first at `address`, by line `line`, to the table of runs.
bool add_run(image& image, std::uint32_t address, std::uint32_t n, unsigned long long line) {
    if (image.runs.count > 0 && extend(image, address, n, line)) {
        return true;
    }
    image.tail = run_tail{line == 0 ? 0 : line + 1, true};
    return push(image.runs,
                image_run{address, n, line == 0 ? 0 : packed(run_lines{line, false, n, 0})});
}

// The text line that gave the byte at `address`.
unsigned long long line_holding(const image& image, std::uint32_t address) {
    for (const image_run& run : image.runs) {
        if (address - run.address < run.size) {
            return line_of(run, address - run.address);
        }
    }
    return 0;
}

// Puts bytes that lie within one chunk; `address` and `n` are moved past those taken.
put_result put_in_chunk(image& image, std::uint32_t& address, const std::uint8_t*& bytes,
                        std::size_t& n, unsigned long long line) {
    if (!chunk_for(image, address)) {
        return put_result::no_memory;
    }
    image_store& s = image.store;
    std::uint8_t* chunk = s.chunks[address / image_chunk_size];
    const std::size_t room = image_chunk_size - (address & chunk_mask);
    const std::size_t here = n < room ? n : room;
    if (none_given(s, address, here)) { // all new, as records in any order but one over another
        std::memcpy(chunk + (address & chunk_mask), bytes, here);
        mark_given(s, address, here);
        if (!add_run(image, address, static_cast<std::uint32_t>(here), line)) {
            return put_result::no_memory;
        }
        address += static_cast<std::uint32_t>(here);
        bytes += here;
        n -= here;
        return put_result::stored;
    }
    std::size_t fresh = 0; // new bytes before `i`, from `i - fresh` on
    for (std::size_t i = 0; i <= here; ++i) {
        const std::uint32_t at = address + static_cast<std::uint32_t>(i);
        const bool held = i < here && is_given(s, at);
        if ((i == here || held) && fresh > 0 &&
            !add_run(image, at - static_cast<std::uint32_t>(fresh),
                     static_cast<std::uint32_t>(fresh), line)) {
            return put_result::no_memory;
        }
        fresh = i < here && !held ? fresh + 1 : 0;
        if (i == here) {
            break;
        }
        std::uint8_t& byte = chunk[at & chunk_mask];
        if (held && byte != bytes[i]) {
            image.conflict = image_conflict{line, at, bytes[i], line_holding(image, at), byte};
            return put_result::conflict;
        }
        if (!held) {
            byte = bytes[i];
            mark_given(s, at, 1);
        }
    }
    address += static_cast<std::uint32_t>(here);
    bytes += here;
    n -= here;
    return put_result::stored;
}

} // namespace

void chunk_release::operator()(std::uint8_t* bytes) const {
    if (give_back != nullptr) {
        give_back(bytes);
    } else {
        std::free(bytes);
    }
}

image_store::~image_store() {
    for (std::size_t k = 0; chunks != nullptr && k < image_chunks_most; ++k) {
        if (chunks[k] != nullptr) {
            release(chunks[k]);
        }
        if (k % image_chunks_a_block == 0 && blocks[k / image_chunks_a_block] != nullptr) {
            release(reinterpret_cast<std::uint8_t*>(blocks[k / image_chunks_a_block]));
        }
    }
    std::free(chunks);
    std::free(blocks);
}

put_result put_bytes(image& image, std::uint32_t address, const std::uint8_t* bytes, std::size_t n,
                     unsigned long long line) {
    // Past FFFFFFFF, the end of the last chunk, the bytes go on at 0, in a run of their own.
    while (n > 0 && image.refused == put_result::stored) {
        image.refused = put_in_chunk(image, address, bytes, n, line);
    }
    return image.refused;
}

bool image_empty(const image& image) {
    return image.runs.count == 0;
}

std::uint32_t image_start(const image& image) {
    return image.origin + (image_empty(image) ? 0 : offset_of(image, image.runs.items[0]));
}
