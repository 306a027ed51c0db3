// highshelf~: high shelving filter with signal-rate corner frequency, slope and
// gain in dB.
#include "biquad.hpp"

namespace {

using namespace vesh::biquad;

// H(s) = A (A s^2 + (sqrt A / Q) s + 1) / (s^2 + (sqrt A / Q) s + A) with
// A = 10^(gain/40), by the bilinear transform at w = 2 pi f / sr; the slope
// sets Q, and beta = 2 sqrt(A) alpha = sin w * shelf::root.
struct highshelf_cook {
    static constexpr double margin = 0.1;
    using terms = held<shelf>;

    static direct coefficients(const float (&p)[3], int, double, double cos_w, double sin_w,
                               terms &t) {
        const double slope = p[1], gain = p[2];
        const shelf &s = t.get(p[1], p[2], [=] { return shelf::make(slope, gain); });
        const double a = s.a, beta = sin_w * s.root;
        return {a * ((a + 1) + (a - 1) * cos_w + beta),
                -2 * a * ((a - 1) + (a + 1) * cos_w),
                a * ((a + 1) + (a - 1) * cos_w - beta),
                (a + 1) - (a - 1) * cos_w + beta,
                2 * ((a - 1) - (a + 1) * cos_w),
                (a + 1) - (a - 1) * cos_w - beta,
                false};
    }
};

struct t_highshelf {
    t_object x_obj;
    core<cookbook<highshelf_cook, 3>> filter;
};

t_class *highshelf_class;

t_highshelf *highshelf_new(t_symbol *, int argc, t_atom *argv) {
    t_float frequency = 0, slope = 0, gain = 0;
    if (vesh::read_args(argc, argv, {&frequency, &slope, &gain}) < 0) {
        return vesh::improper_args<t_highshelf>("highshelf~: improper args");
    }
    return filter_new<t_highshelf>(highshelf_class, 0, {frequency, slope, gain});
}

}  // namespace

VESH_SETUP {
    highshelf_class = new_filter_class<t_highshelf>(highshelf_new);
}
