#ifndef PAGETALLY_IMAGE_GROW_ARRAY_H
#define PAGETALLY_IMAGE_GROW_ARRAY_H

// An array of plain items that grows without throwing: when there is no memory for more, the
// growth says so, and the items held stay as they were. Its memory comes from malloc, never from
// new, so that running out of it is a value here and not the end of the run.

#include <cstddef>
#include <cstdlib>
#include <type_traits>

template <typename T> struct grow_array {
    static_assert(std::is_trivially_copyable_v<T>, "items are moved as bytes");
    T* items = nullptr;
    std::size_t count = 0;
    std::size_t room = 0;

    grow_array() = default;
    grow_array(const grow_array&) = delete;
    grow_array& operator=(const grow_array&) = delete;
    ~grow_array() { std::free(items); }
};

// Room for `n` items in all; false when there is no memory for it.
template <typename T> bool reserve(grow_array<T>& array, std::size_t n) {
    if (n <= array.room) {
        return true;
    }
    const std::size_t item_size =
        sizeof(T); // NOLINT(bugprone-sizeof-expression): T may be a pointer
    if (n > static_cast<std::size_t>(-1) / item_size) {
        return false;
    }
    void* items = std::realloc(array.items, n * item_size);
    if (items == nullptr) {
        return false;
    }
    array.items = static_cast<T*>(items);
    array.room = n;
    return true;
}

// Appends `item`, the room doubling as it grows; false when there is no memory for it.
template <typename T> bool push(grow_array<T>& array, const T& item) {
    if (array.count == array.room && !reserve(array, array.room < 8 ? 8 : 2 * array.room)) {
        return false;
    }
    // count < room here, so items is held.
    array.items[array.count++] = item; // NOLINT(clang-analyzer-core.CallAndMessage)
    return true;
}

template <typename T> T* begin(grow_array<T>& array) {
    return array.items;
}
template <typename T> T* end(grow_array<T>& array) {
    return array.items + array.count;
}
template <typename T> const T* begin(const grow_array<T>& array) {
    return array.items;
}
template <typename T> const T* end(const grow_array<T>& array) {
    return array.items + array.count;
}

#endif
