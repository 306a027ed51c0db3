// schmitt~: a comparator with hysteresis: the output turns 1 when the input
// reaches the high threshold and stays 1 until it falls to the low one.
#include "vesh.hpp"

namespace {

struct t_schmitt {
    t_object x_obj;
    t_float state;
};

t_class *schmitt_class;

t_schmitt *schmitt_new(t_symbol *, int argc, t_atom *argv) {
    t_float low = 0, high = 0;
    if (!vesh::read_floats(argc, argv, {&low, &high})) {
        return vesh::improper_args<t_schmitt>("schmitt~: improper args");
    }
    auto *x = vesh::new_object<t_schmitt>(schmitt_class);
    vesh::signal_inlet(&x->x_obj, low);
    vesh::signal_inlet(&x->x_obj, high);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void schmitt_block(t_schmitt *x, int n, const t_sample *in, const t_sample *low,
                   const t_sample *high, t_sample *out) {
    float state = x->state;
    for (int i = 0; i < n; i++) {
        const float v = in[i];
        state = v > low[i] && (v >= high[i] || state == 1) ? 1 : 0;
        out[i] = state;
    }
    x->state = state;
}

}  // namespace

VESH_SETUP {
    schmitt_class = vesh::new_class<t_schmitt>(VESH_CLASS_NAME, schmitt_new, nullptr);
    vesh::signal_only_left_inlet(schmitt_class);
    vesh::add_block_dsp<schmitt_block>(schmitt_class);
}
