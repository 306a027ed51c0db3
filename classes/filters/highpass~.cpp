// highpass~: second-order high-pass filter with signal-rate cut-off and Q (or
// bandwidth in octaves with "-bw").
#include "biquad.hpp"

namespace {

using namespace vesh::biquad;

struct highpass_cook {
    static constexpr double margin = 1e-6;
    using terms = no_terms;
    static direct coefficients(const float (&p)[2], int mode, double w, double cos_w, double sin_w,
                               terms &) {
        const double alpha = alpha_of(p[1], mode, w, sin_w);
        return {(1 + cos_w) / 2, -(1 + cos_w), (1 + cos_w) / 2, 1 + alpha, -2 * cos_w,
                1 - alpha,       false};
    }
};

struct t_highpass {
    t_object x_obj;
    core<cookbook<highpass_cook, 2>> filter;
};

t_class *highpass_class;

t_highpass *highpass_new(t_symbol *, int argc, t_atom *argv) {
    t_float frequency = 0, q = 1;
    bool bandwidth = false;
    if (vesh::read_args(argc, argv, {&frequency, &q}, {{"-bw", &bandwidth}}) < 0) {
        return vesh::improper_args<t_highpass>("highpass~: improper args");
    }
    auto *x = vesh::new_object<t_highpass>(highpass_class);
    x->filter.mode = bandwidth;
    make_inlets(&x->x_obj, {frequency, q});
    return x;
}

t_int *highpass_perform(t_int *w) {
    return perform<t_highpass>(w);
}

void highpass_dsp(t_highpass *x, t_signal **sp) {
    dsp(x, sp, highpass_perform);
}

}  // namespace

VESH_SETUP {
    highpass_class = new_filter_class<t_highpass>(highpass_new);
    vesh::add_dsp(highpass_class, highpass_dsp);
    vesh::add_method(highpass_class, "bw", alternate_mode<t_highpass>);
    vesh::add_method(highpass_class, "q", q_mode<t_highpass>);
}
