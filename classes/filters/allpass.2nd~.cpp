// allpass.2nd~: second-order all-pass filter (phase shift only) with signal-rate
// centre frequency and Q (or bandwidth in octaves with "-bw").
#include "biquad.hpp"

namespace {

using namespace vesh::biquad;

// H(s) = (s^2 - s/Q + 1) / (s^2 + s/Q + 1), by the bilinear transform at
// w = 2 pi f / sr, with alpha = sin w / (2Q).
struct allpass2nd_cook {
    static constexpr double margin = 1e-6;
    using terms = no_terms;
    static direct coefficients(const float (&p)[2], int mode, double w, double cos_w, double sin_w,
                               terms &) {
        const double alpha = alpha_of(p[1], mode, w, sin_w);
        return {1 - alpha, -2 * cos_w, 1 + alpha, 1 + alpha, -2 * cos_w, 1 - alpha, false};
    }
};

struct t_allpass2nd {
    t_object x_obj;
    core<cookbook<allpass2nd_cook, 2>> filter;
};

t_class *allpass2nd_class;

t_allpass2nd *allpass2nd_new(t_symbol *, int argc, t_atom *argv) {
    return q_filter_new<t_allpass2nd>(allpass2nd_class, argc, argv, {0, 1},
                                      "allpass.2nd~: improper args");
}

}  // namespace

VESH_SETUP {
    allpass2nd_class = new_filter_class<t_allpass2nd>(allpass2nd_new, "bw");
}
