// sine~: sine of the phase.
#include "cycle_sine.hpp"
#include "phase.hpp"

#include <cmath>

namespace {

using t_sine = vesh::t_oscillator;

t_class *sine_class;

struct SineShape : vesh::widthless_shape {
    static constexpr double two_pi = 6.283185307179586;
    // The fast kernel narrows to single precision exactly as the library's
    // sin would. A host with double-precision samples has nothing to narrow:
    // out_run does not fit its output, and the engine takes `out` instead.
    static void out_run(const double *phase, int n, float *out) {
        vesh::turn_sines_narrowed(phase, two_pi, n, out);
    }
    static t_sample out(double phase, Width) {
        return static_cast<t_sample>(std::sin(two_pi * phase));
    }
};

t_int *sine_perform(t_int *w) {
    return vesh::phase_perform<SineShape, false>(w);
}
t_int *sine_perform_sig(t_int *w) {
    return vesh::phase_perform<SineShape, true>(w);
}

t_sine *sine_new(t_symbol *, int argc, t_atom *argv) {
    return vesh::oscillator_new<t_sine>(sine_class, vesh::float_arg(argc, argv, 0, 0),
                                        vesh::float_arg(argc, argv, 1, 0));
}

void sine_free(t_sine *x) {
    vesh::oscillator_free(x);
}

void sine_dsp(t_sine *x, t_signal **sp) {
    vesh::oscillator_dsp(x, sp, sine_perform_sig, sine_perform);
}

}  // namespace

VESH_SETUP {
    sine_class = vesh::new_class<t_sine>(VESH_CLASS_NAME, sine_new, sine_free);
    VESH_MAIN_SIGNAL_INLET(sine_class, t_sine, frequency);
    vesh::add_dsp(sine_class, sine_dsp);
}
