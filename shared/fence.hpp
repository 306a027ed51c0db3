// Fences for buffers kept inside an object or a stack frame: in the sanitizer
// build the unused tail of such a buffer is marked unaddressable, so that a
// read or write past the part in use is reported even though it stays inside
// the allocation. In a plain build these compile to nothing.
//
// A fenced buffer on the stack must be unfenced before its frame ends. Heap
// memory may be freed fenced.
#pragma once

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace vesh {

// Elements [0, used) addressable, [used, capacity) not.
template <typename T>
inline void fence(T *buffer, std::size_t used, std::size_t capacity) {
#if defined(__SANITIZE_ADDRESS__)
    if (used > capacity) used = capacity;
    __asan_unpoison_memory_region(buffer, used * sizeof(T));
    __asan_poison_memory_region(buffer + used, (capacity - used) * sizeof(T));
#else
    (void)buffer, (void)used, (void)capacity;
#endif
}

// The whole buffer addressable again.
template <typename T>
inline void unfence(T *buffer, std::size_t capacity) {
    fence(buffer, capacity, capacity);
}

}  // namespace vesh
