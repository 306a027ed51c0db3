// Small helpers for the message classes: atom/byte buffers of any length taken
// from the host allocator.
#pragma once

#include <m_pd.h>

#include "fence.hpp"
#include "numbers.hpp"

#include <cstddef>

namespace vesh {

// A per-call buffer: on the stack when short, from the host allocator when
// long, released when it goes out of scope. Per call (not per object) so that
// a message that comes back into the same object while its output is still
// being sent never reuses memory the outer call is reading.
template <typename T, std::size_t Inline = 64>
class Scratch {
   public:
    explicit Scratch(std::size_t n) : size_(n) {
        data_ = n <= Inline ? local_ : static_cast<T *>(getbytes(n * sizeof(T)));
        fence(local_, data_ == local_ ? n : 0, Inline);
    }
    ~Scratch() {
        unfence(local_, Inline);
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

// Fences the buffer's tail past the `used` atoms the next result may take.
inline void atom_buffer_use(atom_buffer &b, int used) {
    fence(b.atoms, static_cast<std::size_t>(used), static_cast<std::size_t>(b.capacity));
}

inline void atom_buffer_release(atom_buffer &b) {
    if (b.atoms) freebytes(b.atoms, static_cast<std::size_t>(b.capacity) * sizeof(t_atom));
    b.atoms = nullptr;
    b.capacity = 0;
}

// A message given as atoms (creation arguments): when the first atom is a
// symbol it is the selector and the rest are the atoms; otherwise the
// selector is "list" and all atoms follow.
struct atom_message {
    t_symbol *selector;
    int argc;
    const t_atom *argv;
};

inline atom_message read_message(int argc, const t_atom *argv) {
    if (argc > 0 && argv[0].a_type == A_SYMBOL) return {argv[0].a_w.w_symbol, argc - 1, argv + 1};
    return {&s_list, argc, argv};
}

// Copies `count` atoms into `b`, growing it (to at least twice its size) when
// they do not fit. Returns false, keeping the buffer as it was, when the host
// has no memory.
inline bool atom_buffer_store(atom_buffer &b, int count, const t_atom *atoms) {
    if (count > b.capacity) {
        const int grown =
            b.capacity > (1 << 29) ? count : (count > 2 * b.capacity ? count : 2 * b.capacity);
        if (!atom_buffer_renew(b, grown)) return false;
    }
    for (int i = 0; i < count; i++) b.atoms[i] = atoms[i];
    return true;
}

}  // namespace vesh
