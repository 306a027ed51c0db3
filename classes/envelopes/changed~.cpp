// changed~: a 1 at each sample that differs from the one before by more than
// the threshold (by anything at all when the threshold is 0 or below).
#include <cmath>

#include "trigger.hpp"
#include "vesh.hpp"

namespace {

using namespace vesh::trigger;

struct t_changed {
    t_object x_obj;
    float history[2];  // the samples before the block
};

t_class *changed_class;

t_changed *changed_new(t_floatarg threshold) {
    auto *x = vesh::new_object<t_changed>(changed_class);
    vesh::signal_inlet(&x->x_obj, threshold < 0 ? 0 : threshold);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

lanes magnitude(lanes v) {
    const lane_mask no_sign = {0x7fffffff, 0x7fffffff, 0x7fffffff, 0x7fffffff};
    return reinterpret_cast<lanes>(reinterpret_cast<lane_mask>(v) & no_sign);
}
float magnitude(float v) {
    return std::fabs(v);
}

// Changes beyond one threshold t (a NaN threshold sees none), for lanes or
// single samples.
auto changes(float t) {
    const float floor = t < 0 ? 0 : t;
    return [floor](auto, auto p, auto v) {
        using V = decltype(v);
        return std::array<V, 1>{where(magnitude(v - p) > V{} + floor)};
    };
}

void changed_block(t_changed *x, int n, const t_sample *in, const t_sample *threshold,
                   t_sample *out) {
    if (vesh::holds(threshold, n)) {
        each_sample<1>(in, n, x->history, {out}, changes(static_cast<float>(threshold[0])));
        return;
    }
    float previous = x->history[1];
    for (int i = 0; i < n; i++) {
        const float v = in[i];
        out[i] = changes(static_cast<float>(threshold[i]))(0.0f, previous, v)[0];
        previous = v;
    }
    x->history[1] = previous;
}

}  // namespace

VESH_SETUP {
    changed_class = vesh::new_class(VESH_CLASS_NAME, changed_new, nullptr);
    vesh::signal_only_left_inlet(changed_class);
    vesh::add_block_dsp<changed_block>(changed_class);
}
