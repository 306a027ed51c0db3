// trighold~: holds the value of each onset sample (the first non-zero sample
// after a 0) until the next onset.
#include "trigger.hpp"
#include "vesh.hpp"

namespace {

struct t_trighold {
    t_object x_obj;
    t_float in;  // main-inlet scalar
    t_float previous;
    t_float held;
};

t_class *trighold_class;

t_trighold *trighold_new() {
    auto *x = vesh::new_object<t_trighold>(trighold_class);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void trighold_block(t_trighold *x, int n, const t_sample *in, t_sample *out) {
    float previous = x->previous;
    float held = x->held;
    for (int i = 0; i < n; i++) {
        const float v = in[i];
        if (vesh::trigger::onset(previous, v)) held = v;
        out[i] = held;
        previous = v;
    }
    x->previous = previous;
    x->held = held;
}

}  // namespace

VESH_SETUP {
    trighold_class = vesh::new_class(VESH_CLASS_NAME, trighold_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(trighold_class, t_trighold, in);
    vesh::add_block_dsp<trighold_block>(trighold_class);
}
