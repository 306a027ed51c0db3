// above~: a 1 at the left outlet where the input rises above the threshold,
// at the right where it falls back to it or below.
#include "vesh.hpp"

namespace {

struct t_above {
    t_object x_obj;
    t_float in;  // main-inlet scalar
    t_float previous;
};

t_class *above_class;

t_above *above_new(t_floatarg threshold) {
    auto *x = vesh::new_object<t_above>(above_class);
    vesh::signal_inlet(&x->x_obj, threshold);
    outlet_new(&x->x_obj, &s_signal);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void above_block(t_above *x, int n, const t_sample *in, const t_sample *threshold, t_sample *up_out,
                 t_sample *down_out) {
    float previous = x->previous;
    for (int i = 0; i < n; i++) {
        const float v = in[i], t = threshold[i];
        up_out[i] = previous <= t && t < v ? 1 : 0;
        down_out[i] = previous > t && t >= v ? 1 : 0;
        previous = v;
    }
    x->previous = previous;
}

}  // namespace

VESH_SETUP {
    above_class = vesh::new_class(VESH_CLASS_NAME, above_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(above_class, t_above, in);
    vesh::add_block_dsp<above_block>(above_class);
}
