// toggleff~: a flip-flop: each rise (from 0 or below to above 0) switches the
// output between 0 and 1. A non-zero argument makes the first sample 1.
#include "trigger.hpp"
#include "vesh.hpp"

namespace {

struct t_toggleff {
    t_object x_obj;
    t_float state;
    t_float previous;
    int start_on;  // the next sample is 1, whatever the input
};

t_class *toggleff_class;

t_toggleff *toggleff_new(t_floatarg initial) {
    auto *x = vesh::new_object<t_toggleff>(toggleff_class);
    outlet_new(&x->x_obj, &s_signal);
    x->start_on = initial != 0;
    return x;
}

void toggleff_block(t_toggleff *x, int n, const t_sample *in, t_sample *out) {
    float state = x->state;
    float previous = x->previous;
    int i = 0;
    if (x->start_on && n > 0) {
        x->start_on = 0;
        previous = in[0];
        state = 1;
        out[0] = 1;
        i = 1;
    }
    for (; i < n; i++) {
        const float v = in[i];
        // The state is 0 or 1: 1 - state is (state + 1) mod 2.
        if (vesh::trigger::rise(previous, v)) state = 1 - state;
        out[i] = state;
        previous = v;
    }
    x->state = state;
    x->previous = previous;
}

}  // namespace

VESH_SETUP {
    toggleff_class = vesh::new_class(VESH_CLASS_NAME, toggleff_new, nullptr);
    vesh::signal_only_left_inlet(toggleff_class);
    vesh::add_block_dsp<toggleff_block>(toggleff_class);
}
