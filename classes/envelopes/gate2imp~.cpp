// gate2imp~: an impulse at each onset (a change from 0 to anything else), as
// high as the onset sample.
#include "trigger.hpp"
#include "vesh.hpp"

namespace {

struct t_gate2imp {
    t_object x_obj;
    t_float in;  // main-inlet scalar
    t_float previous;
};

t_class *gate2imp_class;

t_gate2imp *gate2imp_new() {
    auto *x = vesh::new_object<t_gate2imp>(gate2imp_class);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void gate2imp_block(t_gate2imp *x, int n, const t_sample *in, t_sample *out) {
    float previous = x->previous;
    for (int i = 0; i < n; i++) {
        const float v = in[i];
        out[i] = vesh::trigger::onset(previous, v) ? v : 0;
        previous = v;
    }
    x->previous = previous;
}

}  // namespace

VESH_SETUP {
    gate2imp_class = vesh::new_class(VESH_CLASS_NAME, gate2imp_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(gate2imp_class, t_gate2imp, in);
    vesh::add_block_dsp<gate2imp_block>(gate2imp_class);
}
