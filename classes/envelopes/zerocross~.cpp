// zerocross~: an impulse at each zero crossing: upward ones at the left
// outlet, downward ones at the middle, both at the right.
#include "trigger.hpp"
#include "vesh.hpp"

namespace {

using namespace vesh::trigger;

struct t_zerocross {
    t_object x_obj;
    float history[2];  // the samples before the block
    int started;
};

t_class *zerocross_class;

t_zerocross *zerocross_new(t_floatarg) {
    auto *x = vesh::new_object<t_zerocross>(zerocross_class);
    for (int k = 0; k < 3; k++) outlet_new(&x->x_obj, &s_signal);
    return x;
}

void zerocross_block(t_zerocross *x, int n, const t_sample *in, t_sample *up_out,
                     t_sample *down_out, t_sample *any_out) {
    // The first sample after creation never crosses: as if the one before
    // had been the same.
    if (!x->started && n > 0) {
        x->started = 1;
        x->history[1] = in[0];
    }
    each_sample<3>(in, n, x->history, {up_out, down_out, any_out}, [](auto, auto p, auto v) {
        using V = decltype(v);
        const V zero{};
        const auto up = (p <= zero) & (v > zero), down = (p >= zero) & (v < zero);
        return std::array<V, 3>{where(up), where(down), where(up | down)};
    });
}

}  // namespace

VESH_SETUP {
    zerocross_class = vesh::new_class(VESH_CLASS_NAME, zerocross_new, nullptr);
    vesh::signal_only_left_inlet(zerocross_class);
    vesh::add_block_dsp<zerocross_block>(zerocross_class);
}
