// tri~: triangle: 0 at the cycle start, 1 at a quarter, -1 at three quarters.
#include "phase.hpp"

#include <cmath>

namespace {

struct TriShape : vesh::widthless_shape {
    static t_sample out(double phase, Width) {
        // Every piece is exact, so selecting without branches changes nothing.
        const double v = 4.0 * phase;
        const double rising = v < 1.0 ? v : v - 4.0;
        return static_cast<t_sample>(v < 1.0 || v >= 3.0 ? rising : 2.0 - v);
    }
};

}  // namespace

VESH_SETUP {
    vesh::oscillator_setup<TriShape>();
}
