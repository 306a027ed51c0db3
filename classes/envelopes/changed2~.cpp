// changed2~: the direction of the signal (1 rising, -1 falling, 0 still) at
// the right outlet, and a 1 at the left one where it starts to rise or fall.
#include "vesh.hpp"

namespace {

struct t_changed2 {
    t_object x_obj;
    t_float previous;
    t_float direction;
};

t_class *changed2_class;

t_changed2 *changed2_new() {
    auto *x = vesh::new_object<t_changed2>(changed2_class);
    outlet_new(&x->x_obj, &s_signal);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void changed2_block(t_changed2 *x, int n, const t_sample *in, t_sample *change_out,
                    t_sample *direction_out) {
    float previous = x->previous;
    float last = x->direction;
    for (int i = 0; i < n; i++) {
        const float v = in[i];
        const float direction = v > previous ? 1 : v < previous ? -1 : 0;
        change_out[i] = direction != 0 && direction != last ? 1 : 0;
        direction_out[i] = direction;
        last = direction;
        previous = v;
    }
    x->previous = previous;
    x->direction = last;
}

}  // namespace

VESH_SETUP {
    changed2_class = vesh::new_class(VESH_CLASS_NAME, changed2_new, nullptr);
    vesh::signal_only_left_inlet(changed2_class);
    vesh::add_block_dsp<changed2_block>(changed2_class);
}
