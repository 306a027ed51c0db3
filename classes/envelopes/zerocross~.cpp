// zerocross~: an impulse at each zero crossing: upward ones at the left
// outlet, downward ones at the middle, both at the right.
#include "trigger.hpp"
#include "vesh.hpp"

namespace {

struct t_zerocross {
    t_object x_obj;
    t_float previous;
    int started;  // the first sample after creation never crosses
};

t_class *zerocross_class;

t_zerocross *zerocross_new(t_floatarg) {
    auto *x = vesh::new_object<t_zerocross>(zerocross_class);
    for (int k = 0; k < 3; k++) outlet_new(&x->x_obj, &s_signal);
    return x;
}

void zerocross_block(t_zerocross *x, int n, const t_sample *in, t_sample *up_out,
                     t_sample *down_out, t_sample *any_out) {
    float previous = x->previous;
    int i = 0;
    if (!x->started && n > 0) {
        x->started = 1;
        previous = in[0];
        up_out[0] = down_out[0] = any_out[0] = 0;
        i = 1;
    }
    for (; i < n; i++) {
        const float v = in[i];
        const bool up = vesh::trigger::rise(previous, v);
        const bool down = vesh::trigger::rise(-previous, -v);
        up_out[i] = up ? 1 : 0;
        down_out[i] = down ? 1 : 0;
        any_out[i] = up || down ? 1 : 0;
        previous = v;
    }
    x->previous = previous;
}

}  // namespace

VESH_SETUP {
    zerocross_class = vesh::new_class(VESH_CLASS_NAME, zerocross_new, nullptr);
    vesh::signal_only_left_inlet(zerocross_class);
    vesh::add_block_dsp<zerocross_block>(zerocross_class);
}
