// add~: a running sum of its input. A trigger sample of exactly 1 restarts
// the sum from the start value (plus that sample's input).
#include "vesh.hpp"

namespace {

struct t_add {
    t_object x_obj;
    t_float in;  // main-inlet scalar
    t_float sum;
    t_float start;
    t_inlet *trigger;
    t_outlet *out;
};

t_class *add_class;

t_add *add_new(t_floatarg start) {
    auto *x = vesh::new_object<t_add>(add_class);
    x->sum = x->start = start;
    x->trigger = vesh::signal_inlet(&x->x_obj, 0);
    x->out = outlet_new(&x->x_obj, &s_signal);
    return x;
}

void add_free(t_add *x) {
    inlet_free(x->trigger);
    outlet_free(x->out);
}

void add_set(t_add *x, t_floatarg start) {
    x->start = start;
}

void add_bang(t_add *x) {
    x->sum = x->start;
}

void add_block(t_add *x, int n, const t_sample *in, const t_sample *trigger, t_sample *out) {
    const float start = x->start;
    float sum = x->sum;
    for (int i = 0; i < n; i++) {
        const auto v = static_cast<float>(in[i]);
        sum = trigger[i] == 1 ? start + v : sum + v;
        out[i] = sum;
    }
    x->sum = sum;
}

}  // namespace

VESH_SETUP {
    add_class = vesh::new_class(VESH_CLASS_NAME, add_new, add_free);
    VESH_MAIN_SIGNAL_INLET(add_class, t_add, in);
    vesh::add_block_dsp<add_block>(add_class);
    vesh::add_method_defaults(add_class, "set", add_set);
    vesh::add_bang(add_class, add_bang);
}
