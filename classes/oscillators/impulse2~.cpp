// impulse2~: +1 where a rectangular wave of variable width rises, -1 where it
// falls.
//
// imp2~ is the same class under a short name: its source sets VESH_HELP_NAME
// and includes this file.
#include "phase.hpp"

namespace {

struct EdgeImpulseShape : vesh::edge_impulse_shape {};

}  // namespace

VESH_SETUP {
    [[maybe_unused]] t_class *c = vesh::oscillator_setup<EdgeImpulseShape>();
#ifdef VESH_HELP_NAME
    class_sethelpsymbol(c, gensym(VESH_HELP_NAME));
#endif
}
