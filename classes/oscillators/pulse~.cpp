// pulse~: rectangular wave between 1 and 0, high for the width fraction of each
// cycle.
#include "phase.hpp"

namespace {

struct PulseShape : vesh::edge_shape {
    static constexpr t_sample high = 1;
    static constexpr t_sample low = 0;
};

}  // namespace

VESH_SETUP {
    vesh::oscillator_setup<PulseShape>();
}
