// lowpass~: second-order low-pass filter with signal-rate cut-off and Q (or
// bandwidth in octaves with "-bw").
#include "biquad.hpp"

namespace {

using namespace vesh::biquad;

struct lowpass_cook {
    static constexpr double margin = 1e-6;
    using terms = no_terms;
    static direct coefficients(const float (&p)[2], int mode, double w, double cos_w, double sin_w,
                               terms &) {
        const double alpha = alpha_of(p[1], mode, w, sin_w);
        return {(1 - cos_w) / 2, 1 - cos_w, (1 - cos_w) / 2, 1 + alpha, -2 * cos_w,
                1 - alpha,       false};
    }
};

struct t_lowpass {
    t_object x_obj;
    core<cookbook<lowpass_cook, 2>> filter;
};

t_class *lowpass_class;

t_lowpass *lowpass_new(t_symbol *, int argc, t_atom *argv) {
    t_float frequency = 0, q = 1;
    bool bandwidth = false;
    if (vesh::read_args(argc, argv, {&frequency, &q}, {{"-bw", &bandwidth}}) < 0) {
        return vesh::improper_args<t_lowpass>("lowpass~: improper args");
    }
    auto *x = vesh::new_object<t_lowpass>(lowpass_class);
    x->filter.mode = bandwidth;
    make_inlets(&x->x_obj, {frequency, q});
    return x;
}

t_int *lowpass_perform(t_int *w) {
    return perform<t_lowpass>(w);
}

void lowpass_dsp(t_lowpass *x, t_signal **sp) {
    dsp(x, sp, lowpass_perform);
}

}  // namespace

VESH_SETUP {
    lowpass_class = new_filter_class<t_lowpass>(lowpass_new);
    vesh::add_dsp(lowpass_class, lowpass_dsp);
    vesh::add_method(lowpass_class, "bw", alternate_mode<t_lowpass>);
    vesh::add_method(lowpass_class, "q", q_mode<t_lowpass>);
}
