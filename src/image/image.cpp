#include "image/image.h"

#include "image/image_runs.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr std::uint32_t chunk_mask = image_chunk_size - 1;

// The chunk and the bits for the byte at `address`, taken when none is there yet; false when
// there is no memory for them.
bool chunk_for(image& image, std::uint32_t address) {
    image_store& s = image.store;
    if (s.chunks == nullptr) {
        s.chunks = static_cast<std::uint8_t**>(std::calloc(image_chunks_most, sizeof *s.chunks));
        s.given = static_cast<std::uint8_t**>(std::calloc(image_chunks_most, sizeof *s.given));
        s.release = chunk_release{image.memory.give_back};
        if (s.chunks == nullptr || s.given == nullptr) {
            return false;
        }
    }
    const std::size_t k = address / image_chunk_size;
    if (s.chunks[k] == nullptr) {
        // Not zeroed: a byte is written before it is read, as its bit says.
        s.chunks[k] = image.memory.take != nullptr
                          ? image.memory.take()
                          : static_cast<std::uint8_t*>(std::malloc(image_chunk_size));
        s.given[k] = static_cast<std::uint8_t*>(std::calloc(image_chunk_size / 8, 1));
    }
    return s.chunks[k] != nullptr && s.given[k] != nullptr;
}

bool is_given(const image_store& s, std::uint32_t address) {
    const std::uint32_t at = address & chunk_mask;
    return (s.given[address / image_chunk_size][at / 8] >> (at % 8) & 1) != 0;
}

void mark_given(image_store& s, std::uint32_t address) {
    const std::uint32_t at = address & chunk_mask;
    s.given[address / image_chunk_size][at / 8] |= static_cast<std::uint8_t>(1u << (at % 8));
}

// Whether `run` goes on with `n` bytes at `address` from text line `line`, and how.
bool extend(image_run& run, std::uint32_t address, std::uint32_t n, unsigned long long line) {
    run_lines l = lines_of(run);
    const std::uint64_t end = std::uint64_t{run.address} + run.size;
    if (run.size + std::uint64_t{n} >= address_space) {
        return false;
    }
    if (l.first == 0 || line == 0) {
        if (l.first != 0 || line != 0 || end != address) {
            return false;
        }
        run.size += n; // bytes of a file that is not text
        return true;
    }
    const bool one_line = run.size == l.first_size;
    const bool last_full = one_line || (run.size - l.first_size) % l.line_size == 0;
    if (line != l.first + lines_held(run, l) || !last_full || (!one_line && n > l.line_size)) {
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
    return true;
}

// Adds `n` bytes that the file gives first at `address`, by line `line`, to the table of runs.
bool add_run(image& image, std::uint32_t address, std::uint32_t n, unsigned long long line) {
    if (image.runs.count > 0 && extend(image.runs.items[image.runs.count - 1], address, n, line)) {
        return true;
    }
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

// Whether none of the `n` bytes from `address` on (within one chunk) is given; and marks them
// given. A byte of bits at a time where it can: records put one after another meet few bits.
bool none_given(const image_store& s, std::uint32_t address, std::size_t n) {
    const std::uint8_t* bits = s.given[address / image_chunk_size];
    std::size_t at = address & chunk_mask;
    const std::size_t end = at + n;
    for (; at < end && at % 8 != 0; ++at) {
        if ((bits[at / 8] >> (at % 8) & 1) != 0) {
            return false;
        }
    }
    for (; at + 8 <= end; at += 8) {
        if (bits[at / 8] != 0) {
            return false;
        }
    }
    for (; at < end; ++at) {
        if ((bits[at / 8] >> (at % 8) & 1) != 0) {
            return false;
        }
    }
    return true;
}

void mark_all_given(image_store& s, std::uint32_t address, std::size_t n) {
    std::uint8_t* bits = s.given[address / image_chunk_size];
    std::size_t at = address & chunk_mask;
    const std::size_t end = at + n;
    for (; at < end && at % 8 != 0; ++at) {
        bits[at / 8] |= static_cast<std::uint8_t>(1u << (at % 8));
    }
    if (end - at >= 8) {
        std::memset(bits + at / 8, 0xFF, (end - at) / 8);
        at += (end - at) / 8 * 8;
    }
    for (; at < end; ++at) {
        bits[at / 8] |= static_cast<std::uint8_t>(1u << (at % 8));
    }
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
        mark_all_given(s, address, here);
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
            mark_given(s, at);
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
        std::free(given[k]);
    }
    std::free(chunks);
    std::free(given);
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
