// decay2~: two exponential decays of the same excitation (the input, or an
// impulse sent as a float or bang), the one with the attack time subtracted
// from the one with the decay time and scaled to a peak of 1, so that an
// impulse rises over about the attack time and dies away over the decay time.
#include "smoothing_kernel.hpp"
#include "vesh.hpp"

namespace {

using namespace vesh::smoothing;

struct t_decay2 {
    t_object x_obj;
    double attack, decay;  // the two decay states
    double ramp;           // sum of x[n-k] k a^k, the response of equal times
    impulse kick;
    held_factor attack_factor, decay_factor;
    held_pair_gain gain;
};

t_class *decay2_class;

// Attack and decay time (defaults 100 and 1000 ms); one float sets both.
t_decay2 *decay2_new(t_symbol *, int argc, t_atom *argv) {
    t_float attack = 100, decay = 1000;
    if (!vesh::read_floats(argc, argv, {&attack, &decay})) {
        return vesh::improper_args<t_decay2>("decay2~: improper args");
    }
    if (argc == 1) decay = attack;
    auto *x = vesh::new_object<t_decay2>(decay2_class);
    x->kick.value = 1;
    vesh::signal_inlet(&x->x_obj, attack);
    vesh::signal_inlet(&x->x_obj, decay);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void decay2_clear(t_decay2 *x) {
    x->attack = x->decay = x->ramp = 0;
}

void decay2_float(t_decay2 *x, t_floatarg f) {
    x->kick.value = f;
    x->kick.pending = 1;
}

void decay2_bang(t_decay2 *x) {
    x->kick.pending = 1;
}

void decay2_block(t_decay2 *x, int n, const t_sample *in, const t_sample *attack_time,
                  const t_sample *decay_time, t_sample *out) {
    held_factor fa = x->attack_factor, fd = x->decay_factor;
    held_pair_gain gain = x->gain;
    double ya = x->attack, yd = x->decay, w = x->ramp;
    for (int i = 0; i < n; i++) {
        const double v = i == 0 ? x->kick.first(in[0]) : in[i];
        const t_sample ta = attack_time[i], td = decay_time[i];
        double attack = 0;
        if (ta > 0) attack = ya = v + fa.of(ta) * ya;
        if (!(td > 0)) {
            out[i] = static_cast<t_sample>(v - attack);
            continue;
        }
        const double a = fd.of(td);
        w = a * (w + yd);
        yd = v + a * yd;
        double y = yd;
        if (ta > 0) {
            const pair_gain &g = gain.of(ta, td);
            y = g.equal ? w * g.ramp_gain : (yd - ya) * g.scale;
        }
        out[i] = static_cast<t_sample>(y);
    }
    x->attack = std::isfinite(ya) ? ya : 0;
    x->decay = std::isfinite(yd) ? yd : 0;
    x->ramp = std::isfinite(w) ? w : 0;
    x->attack_factor = fa;
    x->decay_factor = fd;
    x->gain = gain;
}

void decay2_prepare(t_decay2 *x, t_signal **sp) {
    const float spms = vesh::samples_per_ms(sp[0]->s_sr);
    x->attack_factor.set_rate(spms);
    x->decay_factor.set_rate(spms);
    x->gain.set_rate(spms);
}

}  // namespace

VESH_SETUP {
    decay2_class = vesh::new_class<t_decay2>(VESH_CLASS_NAME, decay2_new, nullptr);
    vesh::signal_only_left_inlet(decay2_class);
    vesh::add_block_dsp<decay2_block, decay2_prepare>(decay2_class);
    vesh::add_method(decay2_class, "clear", decay2_clear);
    vesh::add_float(decay2_class, decay2_float);
    vesh::add_bang(decay2_class, decay2_bang);
}
