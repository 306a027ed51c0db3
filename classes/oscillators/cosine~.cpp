// cosine~: cosine of the phase.
#include "cycle_sine.hpp"
#include "phase.hpp"

#include <cmath>

namespace {

using t_cosine = vesh::t_oscillator;

t_class *cosine_class;

struct CosineShape : vesh::widthless_shape {
    static constexpr double two_pi = 6.283185307179586;
    // The fast kernel narrows to single precision exactly as the library's
    // cos would. A host with double-precision samples has nothing to narrow:
    // out_run does not fit its output, and the engine takes `out` instead.
    static void out_run(const double *phase, int n, float *out) {
        vesh::turn_cosines_narrowed(phase, two_pi, n, out);
    }
    static t_sample out(double phase, Width) {
        return static_cast<t_sample>(std::cos(two_pi * phase));
    }
};

t_int *cosine_perform(t_int *w) {
    return vesh::phase_perform<CosineShape, false>(w);
}
t_int *cosine_perform_sig(t_int *w) {
    return vesh::phase_perform<CosineShape, true>(w);
}

t_cosine *cosine_new(t_symbol *, int argc, t_atom *argv) {
    return vesh::oscillator_new<t_cosine>(cosine_class, vesh::float_arg(argc, argv, 0, 0),
                                          vesh::float_arg(argc, argv, 1, 0));
}

void cosine_free(t_cosine *x) {
    vesh::oscillator_free(x);
}

void cosine_dsp(t_cosine *x, t_signal **sp) {
    vesh::oscillator_dsp(x, sp, cosine_perform_sig, cosine_perform);
}

}  // namespace

VESH_SETUP {
    cosine_class = vesh::new_class<t_cosine>(VESH_CLASS_NAME, cosine_new, cosine_free);
    VESH_MAIN_SIGNAL_INLET(cosine_class, t_cosine, frequency);
    vesh::add_dsp(cosine_class, cosine_dsp);
}
