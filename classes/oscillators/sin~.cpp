// sin~: the sine of a phase in cycles.
#include "cycle_sine.hpp"
#include "vesh.hpp"

#include <cmath>
#include <cstdint>

namespace {

constexpr double two_pi = 6.283185307179586;

struct t_sin {
    t_object x_obj;
    t_float phase;  // main-inlet scalar, cycles
};

t_class *sin_class;

t_sin *sin_new() {
    auto *x = vesh::new_object<t_sin>(sin_class);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

// Whole cycles of a phase outside (-1, 1) dropped.
double within_cycle(t_sample phase) {
    const double x = phase;
    return x <= -1.0 || x >= 1.0 ? std::fmod(x, 1.0) : x;
}

// sin(2 pi x) in double precision, narrowed; exactly 0 at half a cycle, where
// the rounded 2 pi would leave a residue.
void sin_block(t_sin *, int n, const t_sample *in, t_sample *out) {
    constexpr int run = 64;
    double turns[run];
    for (int start = 0; start < n; start += run) {
        const int m = n - start < run ? n - start : run;
        // The whole run is read before any of it is written: the output may
        // share the input's memory.
        uint64_t halves = 0;
        for (int j = 0; j < m; j++) {
            turns[j] = within_cycle(in[start + j]);
            halves |= static_cast<uint64_t>(turns[j] == 0.5) << j;
        }
        vesh::turn_sines_narrowed(turns, two_pi, m, out + start);
        for (; halves; halves &= halves - 1) out[start + __builtin_ctzll(halves)] = 0;
    }
}

}  // namespace

VESH_SETUP {
    sin_class = vesh::new_class<t_sin>(VESH_CLASS_NAME, sin_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(sin_class, t_sin, phase);
    vesh::add_block_dsp<sin_block>(sin_class);
}
