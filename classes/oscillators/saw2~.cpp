// saw2~: sawtooth centred on the cycle start: rises from 0 to 1 over the first half,
// jumps to -1 and rises back to 0.
#include "phase.hpp"

#include <cmath>

namespace {

using t_saw2 = vesh::t_oscillator;

t_class *saw2_class;

struct Saw2Shape : vesh::widthless_shape {
    static t_sample out(double phase, Width) {
        const double v = 2.0 * phase;
        return static_cast<t_sample>(v <= 1.0 ? v : v - 2.0);
    }
};

t_int *saw2_perform(t_int *w) {
    return vesh::phase_perform<Saw2Shape, false>(w);
}
t_int *saw2_perform_sig(t_int *w) {
    return vesh::phase_perform<Saw2Shape, true>(w);
}

t_saw2 *saw2_new(t_symbol *, int argc, t_atom *argv) {
    return vesh::oscillator_new<t_saw2>(saw2_class, vesh::float_arg(argc, argv, 0, 0),
                                        vesh::float_arg(argc, argv, 1, 0));
}

void saw2_free(t_saw2 *x) {
    vesh::oscillator_free(x);
}

void saw2_dsp(t_saw2 *x, t_signal **sp) {
    vesh::oscillator_dsp(x, sp, saw2_perform_sig, saw2_perform);
}

}  // namespace

VESH_SETUP {
    saw2_class = vesh::new_class<t_saw2>(VESH_CLASS_NAME, saw2_new, saw2_free);
    VESH_MAIN_SIGNAL_INLET(saw2_class, t_saw2, frequency);
    vesh::add_dsp(saw2_class, saw2_dsp);
}
