// bandpass~: second-order band-pass filter with 0 dB peak gain, signal-rate
// centre frequency and Q (or bandwidth in octaves with "-bw").
#include "biquad.hpp"

namespace {

using namespace vesh::biquad;

struct bandpass_cook {
    static constexpr double margin = 1e-6;
    using terms = no_terms;
    static direct coefficients(const float (&p)[2], int mode, double w, double cos_w, double sin_w,
                               terms &) {
        // The Q is not raised to 1e-6 first, so that 0 or less passes the input.
        const floored_q q =
            pass_below_floor(mode == 0 ? p[1] : q_or_bandwidth(p[1], mode, w, sin_w));
        const double alpha = sin_w / (2 * q.q);
        return {alpha, 0, -alpha, 1 + alpha, -2 * cos_w, 1 - alpha, q.pass};
    }
};

struct t_bandpass {
    t_object x_obj;
    core<cookbook<bandpass_cook, 2>> filter;
};

t_class *bandpass_class;

t_bandpass *bandpass_new(t_symbol *, int argc, t_atom *argv) {
    t_float frequency = 0, q = 1;
    bool bandwidth = false;
    if (vesh::read_args(argc, argv, {&frequency, &q}, {{"-bw", &bandwidth}}) < 0) {
        return vesh::improper_args<t_bandpass>("[bandpass~]: improper args");
    }
    auto *x = vesh::new_object<t_bandpass>(bandpass_class);
    x->filter.mode = bandwidth;
    make_inlets(&x->x_obj, {frequency, q});
    return x;
}

t_int *bandpass_perform(t_int *w) {
    return perform<t_bandpass>(w);
}

void bandpass_dsp(t_bandpass *x, t_signal **sp) {
    dsp(x, sp, bandpass_perform);
}

}  // namespace

VESH_SETUP {
    bandpass_class = new_filter_class<t_bandpass>(bandpass_new);
    vesh::add_dsp(bandpass_class, bandpass_dsp);
    vesh::add_method(bandpass_class, "bw", alternate_mode<t_bandpass>);
    vesh::add_method(bandpass_class, "q", q_mode<t_bandpass>);
}
