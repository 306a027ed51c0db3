// crossover~: two-way crossover: the input split at a frequency into a low
// and a high band, each with a third-order Butterworth slope; the low band
// minus the high band is an allpass of the input.
#include "vesh.hpp"

#include <bit>
#include <cmath>
#include <cstdint>

namespace {

// The split at f, by the bilinear transform with K = tan(pi f / sr): a
// first-order section with pole p, then a second-order section with poles
// a +/- jb, on each path. Single precision throughout.
struct split {
    float p;          // first-order pole
    float two_a, r2;  // second-order feedback: 2a and the squared pole radius
    float low_gain;   // unity at 0 Hz
    float high_gain;  // unity at the Nyquist frequency

    static split at(float f, float nyquist) {
        // pi/2 rounds up in single precision, where the tangent turns negative
        // and both sections unstable; the angle stays at the largest float
        // below it, whose tangent (rounded to nearest) is `steepest`.
        constexpr float below_quarter_turn = 1.57079625f, steepest = 13245402.0f;
        const float angle = (f / nyquist) * 1.57079637f;
        const float k = angle > below_quarter_turn ? steepest : std::tan(angle);
        const float d = 1 + 0.99999994f * k + k * k;
        const float a = (1 - k * k) / d;
        const float b = 1.7320509f * k / d;
        const float p = (1 - k * k) / ((k + 1) * (k + 1));
        return {p, 2 * a, a * a + b * b, ((a - 1) * (a - 1) + b * b) * 0.25f,
                ((a + 1) * (a + 1) + b * b) * 0.25f};
    }
};

// Memories: previous input; each path's first-order output (lp, hp) and the
// second-order section's inputs and outputs.
struct memories {
    float x1;
    float lp1, lp2, low1, low2;
    float hp1, hp2, high1, high2;
};

struct t_crossover {
    t_object x_obj;
    t_float nyquist;
    t_float frequency;  // the last one of 1 Hz or more
    memories m;
    split current;  // made for `made_for` at `made_nyquist`
    uint32_t made_for;
    t_float made_nyquist;
    int made;
};

t_class *crossover_class;

t_crossover *crossover_new(t_floatarg frequency) {
    auto *x = vesh::new_object<t_crossover>(crossover_class);
    x->frequency = 1000;
    vesh::signal_inlet(&x->x_obj, frequency);
    outlet_new(&x->x_obj, &s_signal);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void crossover_clear(t_crossover *x) {
    x->m = {};
}

void crossover_block(t_crossover *x, int n, const t_sample *in, const t_sample *frequency,
                     t_sample *low_out, t_sample *high_out) {
    const float nyquist = x->nyquist;
    float f = x->frequency;
    memories m = x->m;
    split c = x->current;
    bool made = x->made && x->made_nyquist == nyquist;
    uint32_t made_for = x->made_for;
    for (int i = 0; i < n; i++) {
        const auto v = static_cast<float>(in[i]);
        const auto fi = static_cast<float>(frequency[i]);
        if (fi >= 1) f = fi;
        if (f > nyquist) f = nyquist;
        if (!made || std::bit_cast<uint32_t>(f) != made_for) {
            c = split::at(f, nyquist);
            made_for = std::bit_cast<uint32_t>(f);
            made = true;
        }
        const float lp = c.p * m.lp1 + 0.5f * std::fabs(1 - c.p) * (v + m.x1);
        const float low = c.low_gain * (lp + 2 * m.lp1 + m.lp2) + c.two_a * m.low1 - c.r2 * m.low2;
        const float hp = c.p * m.hp1 + 0.5f * (1 + c.p) * (v - m.x1);
        const float high =
            c.high_gain * (hp - 2 * m.hp1 + m.hp2) + c.two_a * m.high1 - c.r2 * m.high2;
        low_out[i] = low;
        high_out[i] = high;
        m = {v, lp, m.lp1, low, m.low1, hp, m.hp1, high, m.high1};
    }
    // What cannot leave the recursion by itself (an infinite or NaN input) is
    // dropped, so that the next block starts clean.
    for (float *v : {&m.x1, &m.lp1, &m.lp2, &m.low1, &m.low2, &m.hp1, &m.hp2, &m.high1, &m.high2}) {
        if (!std::isfinite(*v)) *v = 0;
    }
    x->m = m;
    x->frequency = f;
    x->current = c;
    x->made_for = made_for;
    x->made_nyquist = nyquist;
    x->made = made;
}

void crossover_prepare(t_crossover *x, t_signal **sp) {
    x->nyquist = 0.5f * sp[0]->s_sr;
}

}  // namespace

VESH_SETUP {
    crossover_class = vesh::new_class<t_crossover>(VESH_CLASS_NAME, crossover_new, nullptr);
    vesh::signal_only_left_inlet(crossover_class);
    vesh::add_block_dsp<crossover_block, crossover_prepare>(crossover_class);
    vesh::add_method(crossover_class, "clear", crossover_clear);
}
