// changed2~: the direction of the signal (1 rising, -1 falling, 0 still) at
// the right outlet, and a 1 at the left one where it starts to rise or fall.
#include "trigger.hpp"
#include "vesh.hpp"

namespace {

using namespace vesh::trigger;

struct t_changed2 {
    t_object x_obj;
    float history[2];  // the samples before the block: they give the last direction
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
    each_sample<2>(in, n, x->history, {change_out, direction_out}, [](auto pp, auto p, auto v) {
        using V = decltype(v);
        const V last = where(p > pp) - where(p < pp);
        const V direction = where(v > p) - where(v < p);
        return std::array<V, 2>{where((direction != V{}) & (direction != last)), direction};
    });
}

}  // namespace

VESH_SETUP {
    changed2_class = vesh::new_class(VESH_CLASS_NAME, changed2_new, nullptr);
    vesh::signal_only_left_inlet(changed2_class);
    vesh::add_block_dsp<changed2_block>(changed2_class);
}
