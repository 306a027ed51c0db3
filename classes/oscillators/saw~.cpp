// saw~: falling sawtooth, 1 at the start of the cycle down to -1 at its end.
#include "phase.hpp"

#include <cmath>

namespace {

struct SawShape : vesh::widthless_shape {
    static t_sample out(double phase, Width) { return static_cast<t_sample>(1.0 - 2.0 * phase); }
};

}  // namespace

VESH_SETUP {
    vesh::oscillator_setup<SawShape>();
}
