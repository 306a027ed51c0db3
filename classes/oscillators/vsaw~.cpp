// vsaw~: variable-slope sawtooth. The width is the rising fraction of the
// cycle: 0 gives a falling ramp, 0.5 a triangle, 1 a rising ramp.
#include "phase.hpp"

#include <algorithm>

namespace {

struct VsawShape {
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
    // The width is kept within [0, 1]; an offset outside [0, 1) starts at 0.
    static void check_args(t_float &width, t_float &offset) {
        width = std::clamp<t_float>(width, 0, 1);
        if (!(offset >= 0 && offset < 1)) offset = 0;
    }
};

}  // namespace

VESH_SETUP {
    vesh::oscillator_setup<VsawShape>();
}
