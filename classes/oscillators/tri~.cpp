// tri~: triangle: 0 at the cycle start, 1 at a quarter, -1 at three quarters.
#include "phase.hpp"

#include <cmath>

namespace {

using t_tri = vesh::t_oscillator;

t_class *tri_class;

struct TriShape : vesh::widthless_shape {
    static t_sample out(double phase, Width) {
        // Every piece is exact, so selecting without branches changes nothing.
        const double v = 4.0 * phase;
        const double rising = v < 1.0 ? v : v - 4.0;
        return static_cast<t_sample>(v < 1.0 || v >= 3.0 ? rising : 2.0 - v);
    }
};

t_int *tri_perform(t_int *w) {
    return vesh::phase_perform<TriShape, false>(w);
}
t_int *tri_perform_sig(t_int *w) {
    return vesh::phase_perform<TriShape, true>(w);
}

t_tri *tri_new(t_symbol *, int argc, t_atom *argv) {
    return vesh::oscillator_new<t_tri>(tri_class, vesh::float_arg(argc, argv, 0, 0),
                                       vesh::float_arg(argc, argv, 1, 0));
}

void tri_free(t_tri *x) {
    vesh::oscillator_free(x);
}

void tri_dsp(t_tri *x, t_signal **sp) {
    vesh::oscillator_dsp(x, sp, tri_perform_sig, tri_perform);
}

}  // namespace

VESH_SETUP {
    tri_class = vesh::new_class<t_tri>(VESH_CLASS_NAME, tri_new, tri_free);
    VESH_MAIN_SIGNAL_INLET(tri_class, t_tri, frequency);
    vesh::add_dsp(tri_class, tri_dsp);
}
