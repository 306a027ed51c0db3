// saw~: falling sawtooth, 1 at the start of the cycle down to -1 at its end.
#include "phase.hpp"

#include <cmath>

namespace {

using t_saw = vesh::t_oscillator;

t_class *saw_class;

struct SawShape : vesh::widthless_shape {
    static t_sample out(double phase, Width) { return static_cast<t_sample>(1.0 - 2.0 * phase); }
};

t_int *saw_perform(t_int *w) {
    return vesh::phase_perform<SawShape, false>(w);
}
t_int *saw_perform_sig(t_int *w) {
    return vesh::phase_perform<SawShape, true>(w);
}

t_saw *saw_new(t_symbol *, int argc, t_atom *argv) {
    return vesh::oscillator_new<t_saw>(saw_class, vesh::float_arg(argc, argv, 0, 0),
                                       vesh::float_arg(argc, argv, 1, 0));
}

void saw_free(t_saw *x) {
    vesh::oscillator_free(x);
}

void saw_dsp(t_saw *x, t_signal **sp) {
    vesh::oscillator_dsp(x, sp, saw_perform_sig, saw_perform);
}

}  // namespace

VESH_SETUP {
    saw_class = vesh::new_class<t_saw>(VESH_CLASS_NAME, saw_new, saw_free);
    VESH_MAIN_SIGNAL_INLET(saw_class, t_saw, frequency);
    vesh::add_dsp(saw_class, saw_dsp);
}
