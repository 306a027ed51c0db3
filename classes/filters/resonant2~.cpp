// resonant2~: two resonators on the same input and frequency, the one with the
// attack time subtracted from the one with the decay time, so that a click
// rings up in about the attack time and dies away over the decay time.
#include "biquad.hpp"

namespace {

using namespace vesh::biquad;

// 1000 ln 1000: a decay of 60 dB in T ms is a rate of this / T per second.
constexpr double t60_to_rate = 6907.755278982137;

struct pair {
    memory attack, decay;
};

struct envelope_pair {
    resonator attack, decay;
    bool attack_on, decay_on;  // a time of 0 or less leaves its section out
    double scale;              // brings the peak of the attack-decay envelope to 1
    bool pass;

    double step(pair &m, double x) const {
        double ya = 0, yd = x;
        if (attack_on) {
            ya = attack.step(m.attack, x);
        } else {
            m.attack.shift(x, ya);
        }
        if (decay_on) {
            yd = decay.step(m.decay, x);
        } else {
            m.decay.shift(x, yd);
        }
        return (yd - ya) * scale;
    }
};

// What the two times alone decide.
struct times {
    bool attack_on, decay_on;  // a time of 0 or less leaves its section out
    double scale;              // brings the peak of the attack-decay envelope to 1

    static times make(double ta, double td) {
        times t{ta > 0, td > 0, 1};
        if (t.attack_on && t.decay_on) {
            const double ka = t60_to_rate / ta, kd = t60_to_rate / td;
            const double peak = std::log(ka / kd) / (ka - kd);
            const double scale = std::fabs(1 / (std::exp(-kd * peak) - std::exp(-ka * peak)));
            // Equal times make the two sections one: their difference is then
            // taken as it is rather than scaled by 1/0.
            if (std::isfinite(scale)) t.scale = scale;
        }
        return t;
    }
};

// H(s) = scale (Hd(s) - Ha(s)), Hd and Ha resonators s / (s^2 + s/Q + 1) at
// the same frequency with the Q of the decay and of the attack time, by the
// bilinear transform at w = 2 pi f / sr.
struct resonant2_design {
    static constexpr int parameters = 3;
    using coefficients = envelope_pair;
    using state = pair;
    using terms = held<times>;

    static envelope_pair make(const float (&p)[3], int, float nyquist, terms &held_times) {
        const double f = inside_band(p[0], nyquist, 1e-6);
        const double w = f * pi / nyquist;
        double sin_w, cos_w;
        ::sincos(w, &sin_w, &cos_w);
        const double ta = p[1], td = p[2];
        const times &t = held_times.get(p[1], p[2], [=] { return times::make(ta, td); });
        envelope_pair e{};
        e.attack_on = t.attack_on;
        e.decay_on = t.decay_on;
        e.scale = t.scale;
        if (e.attack_on) e.attack = resonator::make(ta * f * t60_to_q, cos_w, sin_w);
        if (e.decay_on) e.decay = resonator::make(td * f * t60_to_q, cos_w, sin_w);
        return e;
    }

    static void recover(pair &m) {
        drop_non_finite(m.attack);
        drop_non_finite(m.decay);
    }
};

struct t_resonant2 {
    t_object x_obj;
    core<resonant2_design> filter;
};

t_class *resonant2_class;

t_resonant2 *resonant2_new(t_symbol *, int argc, t_atom *argv) {
    t_float frequency = 0, attack = 0, decay = 0;
    if (vesh::read_args(argc, argv, {&frequency, &attack, &decay}) < 0) {
        return vesh::improper_args<t_resonant2>("resonant2~: improper args");
    }
    return filter_new<t_resonant2>(resonant2_class, 0, {frequency, attack, decay});
}

}  // namespace

VESH_SETUP {
    resonant2_class = new_filter_class<t_resonant2>(resonant2_new, nullptr, false);
}
