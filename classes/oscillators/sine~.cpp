// sine~: sine of the phase.
#include "cycle_sine.hpp"
#include "phase.hpp"

#include <cmath>

namespace {

struct SineShape : vesh::widthless_shape {
    static constexpr double two_pi = 6.283185307179586;
    // The fast kernel narrows to single precision exactly as the library's
    // sin would. A host with double-precision samples has nothing to narrow:
    // out_run does not fit its output, and the engine takes `out` instead.
    static void out_run(const double *phase, int n, float *out) {
        vesh::turn_sines_narrowed(phase, two_pi, n, out);
    }
    static t_sample out(double phase, Width) {
        return static_cast<t_sample>(std::sin(two_pi * phase));
    }
};

}  // namespace

VESH_SETUP {
    vesh::oscillator_setup<SineShape>();
}
