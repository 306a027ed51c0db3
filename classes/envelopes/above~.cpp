// above~: a 1 at the left outlet where the input rises above the threshold,
// at the right where it falls back to it or below.
#include "trigger.hpp"
#include "vesh.hpp"

namespace {

using namespace vesh::trigger;

struct t_above {
    t_object x_obj;
    t_float in;        // main-inlet scalar
    float history[2];  // the samples before the block
};

t_class *above_class;

t_above *above_new(t_floatarg threshold) {
    auto *x = vesh::new_object<t_above>(above_class);
    vesh::signal_inlet(&x->x_obj, threshold);
    outlet_new(&x->x_obj, &s_signal);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

// The crossings of one threshold t, for lanes or single samples.
auto crossings(float t) {
    return [t](auto, auto p, auto v) {
        using V = decltype(v);
        const V th = V{} + t;
        return std::array<V, 2>{where((p <= th) & (th < v)), where((p > th) & (th >= v))};
    };
}

void above_block(t_above *x, int n, const t_sample *in, const t_sample *threshold, t_sample *up_out,
                 t_sample *down_out) {
    if (vesh::holds(threshold, n)) {
        each_sample<2>(in, n, x->history, {up_out, down_out},
                       crossings(static_cast<float>(threshold[0])));
        return;
    }
    float previous = x->history[1];
    for (int i = 0; i < n; i++) {
        const float v = in[i];
        const auto y = crossings(static_cast<float>(threshold[i]))(0.0f, previous, v);
        up_out[i] = y[0];
        down_out[i] = y[1];
        previous = v;
    }
    x->history[1] = previous;
}

}  // namespace

VESH_SETUP {
    above_class = vesh::new_class(VESH_CLASS_NAME, above_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(above_class, t_above, in);
    vesh::add_block_dsp<above_block>(above_class);
}
