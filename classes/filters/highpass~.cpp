// highpass~: second-order high-pass filter with signal-rate cut-off and Q (or
// bandwidth in octaves with "-bw").
#include "biquad.hpp"

namespace {

using namespace vesh::biquad;

// H(s) = s^2 / (s^2 + s/Q + 1), by the bilinear transform at w = 2 pi f / sr,
// with alpha = sin w / (2Q).
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
    return q_filter_new<t_highpass>(highpass_class, argc, argv, {0, 1}, "highpass~: improper args");
}

}  // namespace

VESH_SETUP {
    highpass_class = new_filter_class<t_highpass>(highpass_new, "bw");
}
