// svfilter~: state-variable filter with lowpass, highpass, bandpass and notch
// outputs at once; frequency and Q are read once a block, and Q = 1 lets it
// ring on its own, held by a soft saturation of the band state.
#include "big_or_small.hpp"
#include "vesh.hpp"

#include <cmath>

namespace {

struct t_svfilter {
    t_object x_obj;
    t_float radians_per_hz;  // 2 pi / sample rate
    t_float band, low;
};

t_class *svfilter_class;

// Frequency (default 0) and Q (default 0.01), taken only while the list
// starts with a float.
t_svfilter *svfilter_new(t_symbol *, int argc, t_atom *argv) {
    t_float frequency = 0, q = 0.01f;
    vesh::read_leading_floats(argc, argv, {&frequency, &q});
    auto *x = vesh::new_object<t_svfilter>(svfilter_class);
    vesh::signal_inlet(&x->x_obj, frequency);
    vesh::signal_inlet(&x->x_obj, q);
    for (int k = 0; k < 4; k++) outlet_new(&x->x_obj, &s_signal);
    return x;
}

void svfilter_clear(t_svfilter *x) {
    x->band = x->low = 0;
}

// Damping from Q: none at q = 1 and above, the most (1.44) at q = 0 and below.
float damping(float q) {
    const auto d0 = static_cast<float>((1.0 - q) * 1.2);
    if (d0 < 0) return 0;
    if (d0 > 1.2) return 1.44f;
    return d0 * d0;
}

// sin of the frequency as an angle per sample, held within [0, 1].
float tuning(float radians_per_hz, float frequency) {
    const float angle = radians_per_hz * frequency;
    if (angle < 0) return 0;
    if (angle > 1.5707963267948966) return 1;
    return std::sin(angle);
}

void svfilter_block(t_svfilter *x, int n, const t_sample *in, const t_sample *frequency,
                    const t_sample *q, t_sample *low_out, t_sample *high_out, t_sample *band_out,
                    t_sample *notch_out) {
    const float k = tuning(x->radians_per_hz, static_cast<float>(frequency[0]));
    const float d = damping(static_cast<float>(q[0]));
    float band = x->band, low = x->low;
    for (int i = 0; i < n; i++) {
        const auto v = static_cast<float>(in[i]);
        low = low + k * band;
        const float high = v - low - d * band;
        band = band + k * high;
        low_out[i] = low;
        high_out[i] = high;
        band_out[i] = band;
        notch_out[i] = high + low;
        band = band - 0.0001f * (band * band * band);
    }
    x->band = vesh::flush_big_or_small(band);
    x->low = vesh::flush_big_or_small(low);
}

// Every DSP start begins from rest.
void svfilter_prepare(t_svfilter *x, t_signal **sp) {
    x->radians_per_hz = static_cast<float>(6.283185307179586 / sp[0]->s_sr);
    svfilter_clear(x);
}

}  // namespace

VESH_SETUP {
    svfilter_class = vesh::new_class<t_svfilter>(VESH_CLASS_NAME, svfilter_new, nullptr);
    vesh::signal_only_left_inlet(svfilter_class);
    vesh::add_block_dsp<svfilter_block, svfilter_prepare>(svfilter_class);
    vesh::add_method(svfilter_class, "clear", svfilter_clear);
}
