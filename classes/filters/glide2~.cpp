// glide2~: portamento with separate upward and downward glide times (ms):
// when the input changes, the output travels from where it is to the new
// value in a fixed number of samples, along a straight line or, with an
// exponent, a power curve.
#include "smoothing_kernel.hpp"
#include "vesh.hpp"

namespace {

using namespace vesh::smoothing;

struct t_glide2 {
    t_object x_obj;
    t_float in;  // main-inlet scalar
    t_float samples_per_ms;
    glide state;
    int remaining[2];  // steps to go, upward and downward glides apart
    int reset;
};

t_class *glide2_class;

// Upward and downward time from the leading floats (further floats are
// ignored); then "-exp" and the exponent as the last two atoms.
t_glide2 *glide2_new(t_symbol *, int argc, t_atom *argv) {
    t_float exponent = 1;
    const int floats = vesh::read_floats_then_flag(argc, argv, "-exp", exponent);
    if (floats < 0) return vesh::improper_args<t_glide2>("[glide2~]: improper args");
    auto *x = vesh::new_object<t_glide2>(glide2_class);
    x->state.exponent = exponent;
    x->samples_per_ms = vesh::samples_per_ms(sys_getsr());
    vesh::signal_inlet(&x->x_obj, floats > 0 ? atom_getfloat(&argv[0]) : 0);
    vesh::signal_inlet(&x->x_obj, floats > 1 ? atom_getfloat(&argv[1]) : 0);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

// The output jumps to the input at the next sample.
void glide2_reset(t_glide2 *x) {
    x->reset = 1;
}

void glide2_exp(t_glide2 *x, t_floatarg e) {
    x->state.exponent = e;
}

// A time of 0 (or below, or NaN) is a glide of one sample.
int steps_of(t_sample ms, float spms) {
    return ms > 0 ? glide_steps(static_cast<float>(ms), spms) : 0;
}

void glide2_block(t_glide2 *x, int n, const t_sample *in, const t_sample *up_time,
                  const t_sample *down_time, t_sample *out) {
    glide g = x->state;
    if (!rest(g, x->remaining[g.rising() ? 0 : 1], x->reset, n, in, out)) {
        const float spms = x->samples_per_ms;
        if (vesh::holds(up_time, n) && vesh::holds(down_time, n)) {
            // Times held for the block: their lengths, and curves, worked out once.
            glide_run<true>(g, x->remaining, x->reset, n, in, out,
                            held_lengths::of(steps_of(up_time[0], spms),
                                             steps_of(down_time[0], spms), g.exponent));
        } else {
            const auto steps_at = [&](int i, bool up) {
                return steps_of(up ? up_time[i] : down_time[i], spms);
            };
            glide_run<true>(g, x->remaining, x->reset, n, in, out,
                            moving_lengths<decltype(steps_at)>{steps_at, g.exponent});
        }
    }
    x->state = g;
}

void glide2_prepare(t_glide2 *x, t_signal **sp) {
    x->samples_per_ms = vesh::samples_per_ms(sp[0]->s_sr);
}

}  // namespace

VESH_SETUP {
    glide2_class = vesh::new_class<t_glide2>(VESH_CLASS_NAME, glide2_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(glide2_class, t_glide2, in);
    vesh::add_block_dsp<glide2_block, glide2_prepare>(glide2_class);
    vesh::add_method(glide2_class, "reset", glide2_reset);
    vesh::add_method(glide2_class, "exp", glide2_exp);
}
