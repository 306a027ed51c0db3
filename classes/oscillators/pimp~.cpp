// pimp~: impulse~ that also outputs its phase.
#include "phase.hpp"

namespace {

struct PhaseImpulseShape : vesh::impulse_shape {
    static constexpr bool shows_phase = true;
};

}  // namespace

VESH_SETUP {
    vesh::oscillator_setup<PhaseImpulseShape>();
}
