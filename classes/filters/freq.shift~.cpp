// freq.shift~: single-sideband frequency shifter: a fixed allpass network
// splits the input into two paths 90 degrees apart, which a quadrature
// oscillator at the shift frequency turns into the input moved up (left
// outlet) and moved down (right outlet) by that frequency.
#include "block.hpp"
#include "vesh.hpp"

#include <cmath>

namespace {

// Second-order allpass sections with feedback coefficients fb1, fb2:
// y = -fb2 x - fb1 x[n-1] + x[n-2] + fb1 y[n-1] + fb2 y[n-2], single precision.
// The in-phase and the quadrature path run side by side, one in each of the
// first two lanes of a vector: one stage of both paths at once.
using lanes = vesh::float4;

struct allpass_stage {
    lanes x1, x2, y1, y2;

    lanes step(lanes fb1, lanes fb2, lanes x) {
        const lanes y = -fb2 * x - fb1 * x1 + x2 + fb1 * y1 + fb2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }

    // What cannot leave the recursion by itself (an infinite or NaN input) is
    // dropped, so that the next block starts clean.
    void drop_non_finite() {
        x1 = vesh::finite_or_zero(x1);
        x2 = vesh::finite_or_zero(x2);
        y1 = vesh::finite_or_zero(y1);
        y2 = vesh::finite_or_zero(y2);
    }
};

// The two stages' coefficients, in-phase path in lane 0, quadrature in lane 1.
const lanes first_fb1 = {-0.02569f, 1.94632f, 0, 0}, first_fb2 = {0.260502f, -0.94657f, 0, 0};
const lanes second_fb1 = {1.8685f, 0.83774f, 0, 0}, second_fb2 = {-0.870686f, -0.06338f, 0, 0};

struct t_freqshift {
    t_object x_obj;
    t_float sample_rate;
    t_float phase;  // of the oscillator, in cycles, within [0, 1]
    allpass_stage first, second;
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
    x->first = x->second = allpass_stage{};
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
    // The oscillator first, then the filters: the sine-and-cosine calls then
    // do not make the filter memories leave the registers every sample.
    const float sample_rate = x->sample_rate;
    float phase = x->phase;
    allpass_stage first = x->first, second = x->second;
    constexpr int run = 64;
    float co[run], si[run];
    for (int start = 0; start < n; start += run) {
        const int length = n - start < run ? n - start : run;
        for (int i = 0; i < length; i++) {
            phase = phase + increment_of(static_cast<float>(shift[start + i]), sample_rate);
            if (phase > 1) {
                phase = phase - 1;
            } else if (phase < 0) {
                phase = phase + 1;
            }
            ::sincosf(6.2831855f * phase, &si[i], &co[i]);
        }
        for (int i = 0; i < length; i++) {
            const auto v = static_cast<float>(in[start + i]);
            const lanes paths =
                second.step(second_fb1, second_fb2, first.step(first_fb1, first_fb2, lanes{v, v}));
            const float re = paths[0], im = paths[1];
            up_out[start + i] = re * co[i] - im * si[i];
            down_out[start + i] = im * si[i] + re * co[i];
        }
    }
    x->phase = phase;
    first.drop_non_finite();
    second.drop_non_finite();
    x->first = first;
    x->second = second;
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
