#include "explain/image_again.h"

#include <algorithm>

namespace {

constexpr std::size_t piece_size = std::size_t{1} << 16;
std::uint8_t piece[piece_size];

read_result next_piece_again(void* state, byte_run& run) {
    auto& r = *static_cast<file_replay*>(state);
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(piece_size, r.size - r.offset));
    const long n = wanted == 0 ? 0 : r.read_at(r.read_state, r.offset, piece, wanted);
    if (n <= 0) { // a file that ends sooner now has changed: the pages it gives tell
        return n == 0 ? read_result::end : read_result::failed;
    }
    run = byte_run{piece, static_cast<std::size_t>(n)};
    r.offset += static_cast<std::uint64_t>(n);
    return read_result::bytes;
}

} // namespace

byte_source replay_file(void* state) {
    static_cast<file_replay*>(state)->offset = 0;
    return byte_source{next_piece_again, state};
}

image_again file_again(file_replay& replay) {
    return image_again{replay.read_at != nullptr ? replay_file : nullptr, &replay, replay.read_at,
                       replay.read_state, replay.size};
}
