// crossover~: two-way crossover: the input split at a frequency into a low
// and a high band, each with a third-order Butterworth slope; the low band
// minus the high band is an allpass of the input.
#include "block.hpp"
#include "vesh.hpp"

#include <bit>
#include <cmath>
#include <cstdint>

namespace {

// The low path in lane 0 of a vector and the high path in lane 1: both run
// as one, each lane with its own single-precision arithmetic.
using lanes = vesh::float4;

// The split at f, by the bilinear transform with K = tan(pi f / sr): a
// first-order section with pole p, then a second-order section with poles
// a +/- jb, on each path. Single precision throughout.
struct split {
    float p;          // first-order pole
    float two_a, r2;  // second-order feedback: 2a and the squared pole radius
    lanes first;      // first-order gains: (1 - p)/2 (|1 - p|/2) low, (1 + p)/2 high
    lanes gain;       // second-order gains: unity at 0 Hz low, at the Nyquist frequency high

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
        split s;
        s.p = p;
        s.two_a = 2 * a;
        s.r2 = a * a + b * b;
        s.first = lanes{0.5f * std::fabs(1 - p), 0.5f * (1 + p)};
        s.gain = lanes{((a - 1) * (a - 1) + b * b) * 0.25f, ((a + 1) * (a + 1) + b * b) * 0.25f};
        return s;
    }
};

// Memories: the previous input; each path's first-order outputs (the second-
// order section's inputs) and second-order outputs, low and high as lanes.
struct memories {
    float x1;
    lanes u1, u2, y1, y2;
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
    x->m = memories{};
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
        // low: lp = p lp1 + (|1 - p|/2)(x + x1), then g (lp + 2 lp1 + lp2) + 2a y1 - r2 y2;
        // high: hp = p hp1 + ((1 + p)/2)(x - x1), then g (hp - 2 hp1 + hp2) + ...
        const lanes u = c.p * m.u1 + c.first * (lanes{v, v} + lanes{m.x1, -m.x1});
        const lanes y = c.gain * (u + lanes{2, -2} * m.u1 + m.u2) + c.two_a * m.y1 - c.r2 * m.y2;
        low_out[i] = y[0];
        high_out[i] = y[1];
        m.u2 = m.u1;
        m.u1 = u;
        m.y2 = m.y1;
        m.y1 = y;
        m.x1 = v;
    }
    // What cannot leave the recursion by itself (an infinite or NaN input) is
    // dropped, so that the next block starts clean.
    x->m = {std::isfinite(m.x1) ? m.x1 : 0, vesh::finite_or_zero(m.u1), vesh::finite_or_zero(m.u2),
            vesh::finite_or_zero(m.y1), vesh::finite_or_zero(m.y2)};
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
