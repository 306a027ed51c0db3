// saw2~: sawtooth centred on the cycle start: rises from 0 to 1 over the first half,
// jumps to -1 and rises back to 0.
#include "phase.hpp"

#include <cmath>

namespace {

struct Saw2Shape : vesh::widthless_shape {
    static t_sample out(double phase, Width) {
        const double v = 2.0 * phase;
        return static_cast<t_sample>(v <= 1.0 ? v : v - 2.0);
    }
};

}  // namespace

VESH_SETUP {
    vesh::oscillator_setup<Saw2Shape>();
}
