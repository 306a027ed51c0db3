// freq.shift~: single-sideband frequency shifter: a fixed allpass network
// splits the input into two paths 90 degrees apart, which a quadrature
// oscillator at the shift frequency turns into the input moved up (left
// outlet) and moved down (right outlet) by that frequency.
#include "vesh.hpp"

#include <cmath>

namespace {

// One second-order allpass section with feedback coefficients fb1, fb2:
// y = -fb2 x - fb1 x[n-1] + x[n-2] + fb1 y[n-1] + fb2 y[n-2], single precision.
struct allpass {
    float x1, x2, y1, y2;

    float step(float fb1, float fb2, float x) {
        const float y = -fb2 * x - fb1 * x1 + x2 + fb1 * y1 + fb2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
};

struct t_freqshift {
    t_object x_obj;
    t_float sample_rate;
    t_float phase;  // of the oscillator, in cycles, within [0, 1]
    allpass in_phase[2], quadrature[2];
};

t_class *freqshift_class;

t_freqshift *freqshift_new(t_floatarg shift) {
    auto *x = vesh::new_object<t_freqshift>(freqshift_class);
    vesh::signal_inlet(&x->x_obj, shift);
    outlet_new(&x->x_obj, &s_signal);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

// The filter memories; the oscillator runs on.
void freqshift_clear(t_freqshift *x) {
    for (allpass &a : x->in_phase) a = {};
    for (allpass &a : x->quadrature) a = {};
}

// Cycles per sample, at most one either way; a NaN shift stands still.
float increment_of(float shift, float sample_rate) {
    const float increment = shift / sample_rate;
    if (increment > 1) return 1;
    if (increment < -1) return -1;
    return increment == increment ? increment : 0;
}

void freqshift_block(t_freqshift *x, int n, const t_sample *in, const t_sample *shift,
                     t_sample *up_out, t_sample *down_out) {
    const float sample_rate = x->sample_rate;
    float phase = x->phase;
    allpass i1 = x->in_phase[0], i2 = x->in_phase[1];
    allpass q1 = x->quadrature[0], q2 = x->quadrature[1];
    for (int i = 0; i < n; i++) {
        const auto v = static_cast<float>(in[i]);
        phase = phase + increment_of(static_cast<float>(shift[i]), sample_rate);
        const float re = i2.step(1.8685f, -0.870686f, i1.step(-0.02569f, 0.260502f, v));
        const float im = q2.step(0.83774f, -0.06338f, q1.step(1.94632f, -0.94657f, v));
        if (phase > 1) {
            phase = phase - 1;
        } else if (phase < 0) {
            phase = phase + 1;
        }
        float si, co;
        ::sincosf(6.2831855f * phase, &si, &co);
        up_out[i] = re * co - im * si;
        down_out[i] = im * si + re * co;
    }
    // What cannot leave the recursion by itself (an infinite or NaN input) is
    // dropped, so that the next block starts clean.
    for (allpass *a : {&i1, &i2, &q1, &q2}) {
        for (float *m : {&a->x1, &a->x2, &a->y1, &a->y2}) {
            if (!std::isfinite(*m)) *m = 0;
        }
    }
    x->phase = phase;
    x->in_phase[0] = i1;
    x->in_phase[1] = i2;
    x->quadrature[0] = q1;
    x->quadrature[1] = q2;
}

void freqshift_prepare(t_freqshift *x, t_signal **sp) {
    x->sample_rate = sp[0]->s_sr;
}

}  // namespace

VESH_SETUP {
    freqshift_class = vesh::new_class<t_freqshift>(VESH_CLASS_NAME, freqshift_new, nullptr);
    vesh::signal_only_left_inlet(freqshift_class);
    vesh::add_block_dsp<freqshift_block, freqshift_prepare>(freqshift_class);
    vesh::add_method(freqshift_class, "clear", freqshift_clear);
}
