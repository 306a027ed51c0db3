// resonant~: constant-skirt resonator (peak gain Q) with signal-rate frequency
// and decay time in ms (or Q with "-q").
#include "biquad.hpp"

namespace {

using namespace vesh::biquad;

struct resonance {
    resonator r;
    bool pass;

    double step(memory &m, double x) const { return r.step(m, x); }
};

struct resonant_design {
    static constexpr int parameters = 2;
    using coefficients = resonance;
    using state = memory;
    using terms = no_terms;

    // mode 1: the second inlet is the time in ms for the ring to fall by 60 dB.
    static resonance make(const float (&p)[2], int mode, float nyquist, terms &) {
        const double w = angular(p[0], nyquist, 1e-6);
        double sin_w, cos_w;
        ::sincos(w, &sin_w, &cos_w);
        // No time, no Q or no frequency passes the input.
        const floored_q q =
            pass_below_floor(mode == 1 ? p[1] * static_cast<double>(p[0]) * t60_to_q : p[1]);
        return {resonator::make(q.q, cos_w, sin_w), q.pass};
    }

    static void recover(memory &m) { drop_non_finite(m); }
};

struct t_resonant {
    t_object x_obj;
    core<resonant_design> filter;
};

t_class *resonant_class;

t_resonant *resonant_new(t_symbol *, int argc, t_atom *argv) {
    t_float frequency = 0, time_or_q = 0;
    bool q = false;
    if (vesh::read_args(argc, argv, {&frequency, &time_or_q}, {{"-q", &q}}) < 0) {
        return vesh::improper_args<t_resonant>("resonant~: improper args");
    }
    auto *x = vesh::new_object<t_resonant>(resonant_class);
    x->filter.mode = q ? 0 : 1;
    make_inlets(&x->x_obj, {frequency, time_or_q});
    return x;
}

t_int *resonant_perform(t_int *w) {
    return perform<t_resonant>(w);
}

void resonant_dsp(t_resonant *x, t_signal **sp) {
    dsp(x, sp, resonant_perform);
}

}  // namespace

VESH_SETUP {
    resonant_class = new_filter_class<t_resonant>(resonant_new);
    vesh::add_dsp(resonant_class, resonant_dsp);
    vesh::add_method(resonant_class, "t60", alternate_mode<t_resonant>);
    vesh::add_method(resonant_class, "q", q_mode<t_resonant>);
}
