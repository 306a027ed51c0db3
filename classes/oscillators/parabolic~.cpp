// parabolic~: each half cycle an inverted parabola, positive then negative: a cheap
// near-sine.
#include "phase.hpp"

#include <cmath>

namespace {

struct ParabolicShape : vesh::widthless_shape {
    // y = frac(2 phase), s = 1 - (2y - 1)^2, s over the first half cycle and
    // -s over the second. With q = 4 phase (exact), 2y - 1 is q - 1 or q - 3 to
    // the same bits, and s is the same at the half-cycle point either way.
    static t_sample out(double phase, Width) {
        const double q = 4.0 * phase;
        if (q <= 2.0) {
            const double d = q - 1.0;
            return static_cast<t_sample>(1.0 - d * d);
        }
        const double d = q - 3.0;
        return static_cast<t_sample>(-(1.0 - d * d));
    }
};

}  // namespace

VESH_SETUP {
    vesh::oscillator_setup<ParabolicShape>();
}
