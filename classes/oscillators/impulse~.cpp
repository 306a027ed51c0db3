// impulse~: a 1 on each sample where the phase wraps, 0 elsewhere.
//
// imp~ is the same class under a short name: its source sets VESH_HELP_NAME
// and includes this file.
#include "phase.hpp"

namespace {

struct ImpulseShape : vesh::impulse_shape {};

}  // namespace

VESH_SETUP {
    [[maybe_unused]] t_class *c = vesh::oscillator_setup<ImpulseShape>();
#ifdef VESH_HELP_NAME
    class_sethelpsymbol(c, gensym(VESH_HELP_NAME));
#endif
}
