// The host side of the moving-window classes (mov.avg~, mov.rms~): the
// record, the creator, "clear" and "size", the ring's storage and the dsp
// routine, made from a policy that gives
//
//   inline_size            samples kept inside the object (larger rings are
//                          heap blocks)
//   flag                   the creation flag that sets the mode ("-abs", "-db")
//   improper               the class's improper-args line
//   with<Mode>             the arithmetic (moving_kernel.hpp: average, rms)
//                          in the mode (absolute value, dB) or not
//
// The arithmetic is in moving_kernel.hpp.
#pragma once

#include "fence.hpp"
#include "moving_kernel.hpp"
#include "vesh.hpp"

#include <algorithm>
#include <cstdlib>

namespace vesh::moving {

template <typename Policy>
struct t_moving {
    t_object x_obj;
    Sum sum;
    sample *ring;   // `local` or `heap`
    sample *heap;   // null while the ring is inside the object
    int heap_size;  // samples the heap block holds
    int size;       // the buffer size: the longest window
    int mode;       // absolute value or dB, by the class
    sample local[Policy::inline_size];
};

// Gives the ring `size` samples (1 .. size_limit). Sizes up to the inline
// limit use the object's own storage; a larger one keeps a heap block that is
// large enough, or takes a new one. The old content is not kept: every size
// change starts the window over. When the heap has no block that large, the
// ring and size stay as they were and false is returned.
template <typename Policy>
bool resize(t_moving<Policy> *x, int size) {
    if (size <= Policy::inline_size) {
        std::free(x->heap);
        x->heap = nullptr;
        x->heap_size = 0;
        x->ring = x->local;
    } else if (size > x->heap_size) {
        auto *block = static_cast<sample *>(std::malloc(sizeof(sample) * size));
        if (!block) return false;
        std::free(x->heap);
        x->heap = block;
        x->heap_size = size;
        x->ring = block;
    } else {
        x->ring = x->heap;
    }
    x->size = size;
    // The fence reaches over the record's padding after `local` too, where a
    // ring one too long would otherwise write unseen.
    const auto slots = static_cast<std::size_t>(reinterpret_cast<char *>(x + 1) -
                                                reinterpret_cast<char *>(x->local)) /
                       sizeof(sample);
    fence(x->local, x->ring == x->local ? std::min(size, Policy::inline_size) : 0, slots);
    if (x->heap) fence(x->heap, size, x->heap_size);
    return true;
}

// "size" and the creation size: the truncated value, 1 .. size_limit.
template <typename Policy>
void set_size(t_moving<Policy> *x, t_float f) {
    const int size = to_count(f, 1, size_limit);
    if (!resize(x, size)) {
        pd_error(x, "[" VESH_CLASS_NAME "]: couldn't allocate a buffer of %d samples; keeping %d",
                 size, x->size);
        return;
    }
    x->sum.restart();
}

template <typename Policy>
void size_method(t_moving<Policy> *x, t_floatarg f) {
    set_size(x, f);
}

template <typename Policy>
void clear(t_moving<Policy> *x) {
    x->sum.restart();
}

template <typename Policy>
void free_ring(t_moving<Policy> *x) {
    std::free(x->heap);
}

template <typename Policy>
void mode_on(t_moving<Policy> *x) {
    x->mode = 1;
}

template <typename Policy>
void mode_off(t_moving<Policy> *x) {
    x->mode = 0;
}

template <typename Policy>
inline t_class *moving_class;

// Floats first: a float n sets the window and the buffer size (at least 1;
// default window 1, buffer inline_size). Then "-size" with a float, and the
// mode flag. A ring that cannot be had keeps the object's own storage.
template <typename Policy>
t_moving<Policy> *moving_new(t_symbol *, int argc, t_atom *argv) {
    t_float window = 1, size = Policy::inline_size;
    bool has_window = false, has_size = false, mode = false;
    if (!read_floats_then_flags(argc, argv, &window, &has_window, {{Policy::flag, &mode}},
                                {{"-size", &size, &has_size}})) {
        return improper_args<t_moving<Policy>>(Policy::improper);
    }
    auto *x = new_object<t_moving<Policy>>(moving_class<Policy>);
    const int n = to_count(window, 1, size_limit);
    x->ring = x->local;
    x->size = Policy::inline_size;
    x->mode = mode;
    set_size(x, has_size || !has_window ? size : n);
    signal_inlet(&x->x_obj, n);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

template <typename Policy>
void moving_block(t_moving<Policy> *x, int n, const t_sample *in, const t_sample *window,
                  t_sample *out) {
    using On = typename Policy::template with<true>;
    using Off = typename Policy::template with<false>;
    (x->mode ? run<On> : run<Off>)(x->sum, x->ring, x->size, n, in, window, out);
}

// The class with its signal-only left inlet, "clear" and "size"; the class
// file adds its mode messages.
template <typename Policy>
t_class *setup() {
    t_class *c =
        new_class<t_moving<Policy>>(VESH_CLASS_NAME, moving_new<Policy>, free_ring<Policy>);
    moving_class<Policy> = c;
    signal_only_left_inlet(c);
    add_block_dsp<moving_block<Policy>>(c);
    add_method(c, "clear", clear<Policy>);
    add_method_defaults(c, "size", size_method<Policy>);
    return c;
}

}  // namespace vesh::moving
