// eq~: peaking equaliser with signal-rate centre frequency, Q (or bandwidth in
// octaves with "-bw") and gain in dB.
#include "biquad.hpp"

namespace {

using namespace vesh::biquad;

// H(s) = (s^2 + s (A/Q) + 1) / (s^2 + s / (A Q) + 1) with A = 10^(gain/40), by
// the bilinear transform at w = 2 pi f / sr, with alpha = sin w / (2Q).
struct eq_cook {
    static constexpr double margin = 0.1;
    using terms = held<double>;  // A = 10^(gain/40)

    static direct coefficients(const float (&p)[3], int mode, double w, double cos_w, double sin_w,
                               terms &t) {
        const double alpha = alpha_of(p[1], mode, w, sin_w);
        const double gain = p[2];
        const double a = t.get(0, p[2], [=] { return std::pow(10, gain * 0.025); });
        return {1 + alpha * a, -2 * cos_w,    1 - alpha * a, 1 + alpha / a,
                -2 * cos_w,    1 - alpha / a, false};
    }
};

struct t_eq {
    t_object x_obj;
    core<cookbook<eq_cook, 3>> filter;
};

t_class *eq_class;

t_eq *eq_new(t_symbol *, int argc, t_atom *argv) {
    return q_filter_new<t_eq>(eq_class, argc, argv, {0, 0, 0}, "eq~: improper args");
}

}  // namespace

VESH_SETUP {
    eq_class = new_filter_class<t_eq>(eq_new, "bw");
}
