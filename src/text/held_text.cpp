#include "text/held_text.h"

#include <algorithm>
#include <cstring>

namespace {

long read_held(void* state, char* buffer, std::size_t size) {
    auto& held = *static_cast<held_text*>(state);
    const std::size_t n = std::min(size, held.size - held.at);
    if (n > 0) {
        std::memcpy(buffer, held.text + held.at, n);
    }
    held.at += n;
    return static_cast<long>(n);
}

} // namespace

text_source text_of_held(held_text& held) {
    return text_source{read_held, &held};
}
