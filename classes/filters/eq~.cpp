// eq~: peaking equaliser with signal-rate centre frequency, Q (or bandwidth in
// octaves with "-bw") and gain in dB.
#include "biquad.hpp"

namespace {

using namespace vesh::biquad;

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
    t_float frequency = 0, q = 0, gain = 0;
    bool bandwidth = false;
    if (vesh::read_args(argc, argv, {&frequency, &q, &gain}, {{"-bw", &bandwidth}}) < 0) {
        return vesh::improper_args<t_eq>("eq~: improper args");
    }
    auto *x = vesh::new_object<t_eq>(eq_class);
    x->filter.mode = bandwidth;
    make_inlets(&x->x_obj, {frequency, q, gain});
    return x;
}

t_int *eq_perform(t_int *w) {
    return perform<t_eq>(w);
}

void eq_dsp(t_eq *x, t_signal **sp) {
    dsp(x, sp, eq_perform);
}

}  // namespace

VESH_SETUP {
    eq_class = new_filter_class<t_eq>(eq_new);
    vesh::add_dsp(eq_class, eq_dsp);
    vesh::add_method(eq_class, "bw", alternate_mode<t_eq>);
    vesh::add_method(eq_class, "q", q_mode<t_eq>);
}
