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

// H(s) = s / (s^2 + s/Q + 1) scaled to a peak gain of Q (the resonator of
// biquad_kernel.hpp), by the bilinear transform at w = 2 pi f / sr.
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
    return filter_new<t_resonant>(resonant_class, q ? 0 : 1, {frequency, time_or_q});
}

}  // namespace

VESH_SETUP {
    resonant_class = new_filter_class<t_resonant>(resonant_new, "t60");
}
