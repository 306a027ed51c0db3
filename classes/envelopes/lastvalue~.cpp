// lastvalue~: the value the input had before its latest change.
#include "vesh.hpp"

namespace {

struct t_lastvalue {
    t_object x_obj;
    t_float previous;  // the sample before
    t_float last;      // the last output
};

t_class *lastvalue_class;

t_lastvalue *lastvalue_new(t_floatarg initial) {
    auto *x = vesh::new_object<t_lastvalue>(lastvalue_class);
    outlet_new(&x->x_obj, &s_signal);
    x->previous = initial;
    return x;
}

void lastvalue_block(t_lastvalue *x, int n, const t_sample *in, t_sample *out) {
    float previous = x->previous;
    float last = x->last;
    for (int i = 0; i < n; i++) {
        const float v = in[i];
        if (v != previous) last = previous;
        out[i] = last;
        previous = v;
    }
    x->previous = previous;
    x->last = last;
}

}  // namespace

VESH_SETUP {
    lastvalue_class = vesh::new_class(VESH_CLASS_NAME, lastvalue_new, nullptr);
    vesh::signal_only_left_inlet(lastvalue_class);
    vesh::add_block_dsp<lastvalue_block>(lastvalue_class);
}
