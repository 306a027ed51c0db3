// parabolic~: each half cycle an inverted parabola, positive then negative: a cheap
// near-sine.
#include "phase.hpp"

#include <cmath>

namespace {

using t_parabolic = vesh::t_oscillator;

t_class *parabolic_class;

struct ParabolicShape : vesh::widthless_shape {
    // y = frac(2 phase), s = 1 - (2y - 1)^2, s over the first half cycle and
    // -s over the second. With q = 4 phase (exact), 2y - 1 is q - 1 or q - 3 to
    // the same bits, and s is the same at the half-cycle point either way.
    static t_sample out(double phase, Width) {
        const double q = 4.0 * phase;
        if (q <= 2.0) {
            const double d = q - 1.0;
            return static_cast<t_sample>(1.0 - d * d);
        }
        const double d = q - 3.0;
        return static_cast<t_sample>(-(1.0 - d * d));
    }
};

t_int *parabolic_perform(t_int *w) {
    return vesh::phase_perform<ParabolicShape, false>(w);
}
t_int *parabolic_perform_sig(t_int *w) {
    return vesh::phase_perform<ParabolicShape, true>(w);
}

t_parabolic *parabolic_new(t_symbol *, int argc, t_atom *argv) {
    return vesh::oscillator_new<t_parabolic>(parabolic_class, vesh::float_arg(argc, argv, 0, 0),
                                             vesh::float_arg(argc, argv, 1, 0));
}

void parabolic_free(t_parabolic *x) {
    vesh::oscillator_free(x);
}

void parabolic_dsp(t_parabolic *x, t_signal **sp) {
    vesh::oscillator_dsp(x, sp, parabolic_perform_sig, parabolic_perform);
}

}  // namespace

VESH_SETUP {
    parabolic_class = vesh::new_class<t_parabolic>(VESH_CLASS_NAME, parabolic_new, parabolic_free);
    VESH_MAIN_SIGNAL_INLET(parabolic_class, t_parabolic, frequency);
    vesh::add_dsp(parabolic_class, parabolic_dsp);
}
