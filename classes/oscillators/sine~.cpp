// sine~: sine of the phase.
#include "cycle_sine.hpp"
#include "phase.hpp"

namespace {

struct SineShape : vesh::widthless_shape {
    static void out_run(const double *phase, int n, float *out) {
        vesh::turn_sines_narrowed(phase, 6.283185307179586, n, out);
    }
};

}  // namespace

VESH_SETUP {
    vesh::oscillator_setup<SineShape>();
}
