// square~: rectangular wave between +1 and -1, high for the width fraction of
// each cycle.
#include "phase.hpp"

namespace {

struct SquareShape : vesh::edge_shape {
    static constexpr t_sample high = 1;
    static constexpr t_sample low = -1;
};

}  // namespace

VESH_SETUP {
    vesh::oscillator_setup<SquareShape>();
}
