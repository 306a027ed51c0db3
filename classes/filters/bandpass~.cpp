// bandpass~: second-order band-pass filter with 0 dB peak gain, signal-rate
// centre frequency and Q (or bandwidth in octaves with "-bw").
#include "biquad.hpp"

namespace {

using namespace vesh::biquad;

// H(s) = (s/Q) / (s^2 + s/Q + 1) (0 dB at the centre), by the bilinear
// transform at w = 2 pi f / sr, with alpha = sin w / (2Q).
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
    return q_filter_new<t_bandpass>(bandpass_class, argc, argv, {0, 1},
                                    "[bandpass~]: improper args");
}

}  // namespace

VESH_SETUP {
    bandpass_class = new_filter_class<t_bandpass>(bandpass_new, "bw");
}
