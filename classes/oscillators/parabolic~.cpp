// parabolic~: each half cycle an inverted parabola, positive then negative: a cheap
// near-sine.
#include "phase.hpp"

#include <cmath>

namespace {

using t_parabolic = vesh::t_oscillator;

t_class *parabolic_class;

struct ParabolicShape {
    using Object = t_parabolic;
    static constexpr bool has_width = false;
    static constexpr bool sync_one_is_zero = false;
    static t_sample out(double phase, double) {
        // 2 * phase lies in [0, 2]; its fraction is exact without fmod.
        const double v = 2.0 * phase;
        const double y = v < 1.0 ? v : (v < 2.0 ? v - 1.0 : v - 2.0);
        const double d = 2.0 * y - 1.0;
        const double s = 1.0 - d * d;
        return static_cast<t_sample>(phase <= 0.5 ? s : -s);
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
