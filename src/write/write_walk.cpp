#include "write/write_walk.h"

namespace {

bool take_pages(void* state, const page_sums* pages, std::size_t count) {
    auto& w = *static_cast<walk_writing*>(state);
    return w.inner.take(w.inner.state, pages, count);
}

void see_run(void* state, const byte_run& run) {
    auto& w = *static_cast<walk_writing*>(state);
    w.next = run.moved ? run.address : w.next;
    if (!run.fill) {
        write_bytes(*w.writer, w.next, run.bytes, run.size);
    }
    w.next += static_cast<std::uint32_t>(run.size);
    if (w.inner.see != nullptr) {
        w.inner.see(w.inner.state, run);
    }
}

bool take_nothing(void*, const page_sums*, std::size_t) {
    return true;
}

} // namespace

page_consumer writing_consumer(walk_writing& w) {
    return page_consumer{take_pages, &w, see_run, w.inner.bits};
}

page_consumer no_consumer() {
    return page_consumer{take_nothing, nullptr, nullptr, nullptr};
}
