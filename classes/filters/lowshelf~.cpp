// lowshelf~: low shelving filter with signal-rate corner frequency, slope and
// gain in dB.
#include "biquad.hpp"

namespace {

using namespace vesh::biquad;

struct lowshelf_cook {
    static constexpr double margin = 0.1;
    using terms = held<shelf>;

    static direct coefficients(const float (&p)[3], int, double, double cos_w, double sin_w,
                               terms &t) {
        const double slope = p[1], gain = p[2];
        const shelf &s = t.get(p[1], p[2], [=] { return shelf::make(slope, gain); });
        const double a = s.a, beta = sin_w * s.root;
        return {a * ((a + 1) - (a - 1) * cos_w + beta),
                2 * a * ((a - 1) - (a + 1) * cos_w),
                a * ((a + 1) - (a - 1) * cos_w - beta),
                (a + 1) + (a - 1) * cos_w + beta,
                -2 * ((a - 1) + (a + 1) * cos_w),
                (a + 1) + (a - 1) * cos_w - beta,
                false};
    }
};

struct t_lowshelf {
    t_object x_obj;
    core<cookbook<lowshelf_cook, 3>> filter;
};

t_class *lowshelf_class;

t_lowshelf *lowshelf_new(t_symbol *, int argc, t_atom *argv) {
    t_float frequency = 0, slope = 0, gain = 0;
    if (vesh::read_args(argc, argv, {&frequency, &slope, &gain}) < 0) {
        return vesh::improper_args<t_lowshelf>("lowshelf~: improper args");
    }
    auto *x = vesh::new_object<t_lowshelf>(lowshelf_class);
    // The creation gain starts as whole dB (toward zero); later values are used as they come.
    make_inlets(&x->x_obj, {frequency, slope, std::trunc(gain)});
    return x;
}

t_int *lowshelf_perform(t_int *w) {
    return perform<t_lowshelf>(w);
}

void lowshelf_dsp(t_lowshelf *x, t_signal **sp) {
    dsp(x, sp, lowshelf_perform);
}

}  // namespace

VESH_SETUP {
    lowshelf_class = new_filter_class<t_lowshelf>(lowshelf_new);
    vesh::add_dsp(lowshelf_class, lowshelf_dsp);
}
