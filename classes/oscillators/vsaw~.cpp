// vsaw~: variable-slope sawtooth. The width is the rising fraction of the
// cycle: 0 gives a falling ramp, 0.5 a triangle, 1 a rising ramp.
#include "phase.hpp"

#include <algorithm>

namespace {

using t_vsaw = vesh::t_width_oscillator;

t_class *vsaw_class;

struct VsawShape {
    using Object = t_vsaw;
    static constexpr bool has_width = true;
    static constexpr bool sync_one_is_zero = true;
    // What depends on the width alone is worked out once while the width
    // holds still; the values are the same as worked out per sample.
    struct Width {
        double w;
        double w1;    // w - 1
        float slope;  // k + k, with k = 1 / (w (w - 1)) taken to single precision
        int corner;   // 0: falling ramp (w = 0), 1: rising ramp (w = 1), 2: both
    };
    static Width prepare(double w) {
        if (w == 0.0) return {w, w - 1.0, 0.0f, 0};
        if (w == 1.0) return {w, w - 1.0, 0.0f, 1};
        const float k = static_cast<float>(1.0 / (w * (w - 1.0)));
        return {w, w - 1.0, k + k, 2};
    }
    static t_sample out(double phase, const Width &s) {
        if (s.corner == 0) return static_cast<t_sample>(1.0 - 2.0 * phase);
        if (s.corner == 1) return static_cast<t_sample>(2.0 * phase - 1.0);
        // The distance to the nearer corner is narrowed before it meets the
        // slope, and the rest is single-precision arithmetic.
        const float m = static_cast<float>(std::min(phase * s.w, (phase - 1.0) * s.w1));
        const float y = m * s.slope + 1.0f;
        return y;
    }
};

t_int *vsaw_perform(t_int *w) {
    return vesh::phase_perform<VsawShape, true>(w);
}
t_int *vsaw_perform_magic(t_int *w) {
    return vesh::phase_perform<VsawShape, false>(w);
}

t_vsaw *vsaw_new(t_symbol *, int argc, t_atom *argv) {
    const t_float width = std::clamp<t_float>(vesh::float_arg(argc, argv, 1, 0), 0, 1);
    t_float offset = vesh::float_arg(argc, argv, 2, 0);
    if (!(offset >= 0 && offset < 1)) offset = 0;
    return vesh::oscillator_new<t_vsaw>(vsaw_class, vesh::float_arg(argc, argv, 0, 0), offset,
                                        width);
}

void vsaw_free(t_vsaw *x) {
    vesh::oscillator_free(x);
}

void vsaw_dsp(t_vsaw *x, t_signal **sp) {
    vesh::oscillator_dsp(x, sp, vsaw_perform, vsaw_perform_magic);
}

}  // namespace

VESH_SETUP {
    vsaw_class = vesh::new_class<t_vsaw>(VESH_CLASS_NAME, vsaw_new, vsaw_free);
    VESH_MAIN_SIGNAL_INLET(vsaw_class, t_vsaw, frequency);
    vesh::add_dsp(vsaw_class, vsaw_dsp);
}
