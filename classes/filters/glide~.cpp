// glide~: portamento: when the input changes, the output travels from where
// it is to the new value in a fixed number of samples (the glide time, ms),
// along a straight line or, with an exponent, a power curve.
#include "smoothing_kernel.hpp"
#include "vesh.hpp"

namespace {

using namespace vesh::smoothing;

struct t_glide {
    t_object x_obj;
    t_float in;  // main-inlet scalar
    t_float samples_per_ms;
    glide state;
    int remaining[2];  // [0]: steps of the running glide still to go ([1] unused)
    int reset;
};

t_class *glide_class;

// Leading floats, the last of which is the glide time; then "-exp" and the
// exponent as the last two atoms.
t_glide *glide_new(t_symbol *, int argc, t_atom *argv) {
    t_float exponent = 1;
    const int floats = vesh::read_floats_then_flag(argc, argv, "-exp", exponent);
    if (floats < 0) return vesh::improper_args<t_glide>("[glide~]: improper args");
    auto *x = vesh::new_object<t_glide>(glide_class);
    x->state.exponent = exponent;
    x->samples_per_ms = vesh::samples_per_ms(sys_getsr());
    vesh::signal_inlet(&x->x_obj, floats > 0 ? atom_getfloat(&argv[floats - 1]) : 0);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

// The output jumps to the input at the next sample that glides.
void glide_reset(t_glide *x) {
    x->reset = 1;
}

void glide_exp(t_glide *x, t_floatarg e) {
    x->state.exponent = e;
}

void glide_block(t_glide *x, int n, const t_sample *in, const t_sample *time, t_sample *out) {
    glide g = x->state;
    if (!rest(g, x->remaining[0], x->reset, n, in, out)) {
        const float spms = x->samples_per_ms;
        if (vesh::holds(time, n)) {
            // One time for the block: one length, and its curves, worked out once.
            const int steps = glide_steps(static_cast<float>(time[0]), spms);
            if (g.exponent == 1 || g.exponent == -1) {
                glide_run<false>(g, x->remaining, x->reset, n, in, out, same_lengths::of(steps));
            } else {
                glide_run<false>(g, x->remaining, x->reset, n, in, out,
                                 held_lengths::of(steps, steps, g.exponent));
            }
        } else {
            const auto steps_at = [&](int i, bool) {
                return glide_steps(static_cast<float>(time[i]), spms);
            };
            glide_run<false>(g, x->remaining, x->reset, n, in, out,
                             moving_lengths<decltype(steps_at)>{steps_at, g.exponent});
        }
    }
    x->state = g;
}

void glide_prepare(t_glide *x, t_signal **sp) {
    x->samples_per_ms = vesh::samples_per_ms(sp[0]->s_sr);
}

}  // namespace

VESH_SETUP {
    glide_class = vesh::new_class<t_glide>(VESH_CLASS_NAME, glide_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(glide_class, t_glide, in);
    vesh::add_block_dsp<glide_block, glide_prepare>(glide_class);
    vesh::add_method(glide_class, "reset", glide_reset);
    vesh::add_method(glide_class, "exp", glide_exp);
}
