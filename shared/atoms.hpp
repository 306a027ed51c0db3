// Small helpers for the message classes: turning a user's float into an index
// without undefined conversions, and atom/byte buffers of any length taken
// from the host allocator.
#pragma once

#include <m_pd.h>

#include <cstddef>

namespace vesh {

// Largest magnitude an index can take; big enough for any real list, small
// enough that negating it or adding a few to it never overflows an int.
constexpr int index_limit = 1 << 30;

// A float truncated toward zero, saturated to +-index_limit. NaN reads as the
// most negative index, so that it selects nothing rather than the first slot.
inline int to_index(t_float f) {
    if (!(f > -static_cast<t_float>(index_limit))) return -index_limit;
    if (!(f < static_cast<t_float>(index_limit))) return index_limit;
    return static_cast<int>(f);
}

// An outlet or inlet count from a creation argument: truncated, then clamped.
inline int to_count(t_float f, int lo, int hi) {
    int n = to_index(f);
    return n < lo ? lo : n > hi ? hi : n;
}

// A per-call buffer: on the stack when short, from the host allocator when
// long, released when it goes out of scope. Per call (not per object) so that
// a message that comes back into the same object while its output is still
// being sent never reuses memory the outer call is reading.
template <typename T, std::size_t Inline = 64>
class Scratch {
   public:
    explicit Scratch(std::size_t n) : size_(n) {
        data_ = n <= Inline ? local_ : static_cast<T *>(getbytes(n * sizeof(T)));
    }
    ~Scratch() {
        if (data_ && data_ != local_) freebytes(data_, size_ * sizeof(T));
    }
    Scratch(const Scratch &) = delete;
    Scratch &operator=(const Scratch &) = delete;

    // Null when the host could not supply the memory.
    T *get() { return data_; }

   private:
    std::size_t size_;
    T *data_;
    T local_[Inline];
};

// An object-owned atom buffer that only grows; its owner calls release() in
// its destructor.
struct atom_buffer {
    t_atom *atoms;
    int capacity;
};

// Replaces the buffer with one of `capacity` atoms. Returns false (keeping the
// old buffer) when the host has no memory.
inline bool atom_buffer_renew(atom_buffer &b, int capacity) {
    auto *fresh =
        static_cast<t_atom *>(getbytes(static_cast<std::size_t>(capacity) * sizeof(t_atom)));
    if (!fresh) return false;
    if (b.atoms) freebytes(b.atoms, static_cast<std::size_t>(b.capacity) * sizeof(t_atom));
    b.atoms = fresh;
    b.capacity = capacity;
    return true;
}

inline void atom_buffer_release(atom_buffer &b) {
    if (b.atoms) freebytes(b.atoms, static_cast<std::size_t>(b.capacity) * sizeof(t_atom));
    b.atoms = nullptr;
    b.capacity = 0;
}

}  // namespace vesh
