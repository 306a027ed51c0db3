// changed~: a 1 at each sample that differs from the one before by more than
// the threshold (by anything at all when the threshold is 0 or below).
#include <cmath>

#include "vesh.hpp"

namespace {

struct t_changed {
    t_object x_obj;
    t_float previous;
};

t_class *changed_class;

t_changed *changed_new(t_floatarg threshold) {
    auto *x = vesh::new_object<t_changed>(changed_class);
    vesh::signal_inlet(&x->x_obj, threshold < 0 ? 0 : threshold);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void changed_block(t_changed *x, int n, const t_sample *in, const t_sample *threshold,
                   t_sample *out) {
    float previous = x->previous;
    for (int i = 0; i < n; i++) {
        const float v = in[i];
        const float t = threshold[i];
        const float delta = std::fabs(v - previous);
        out[i] = (t < 0 ? delta > 0 : delta > t) ? 1 : 0;
        previous = v;
    }
    x->previous = previous;
}

}  // namespace

VESH_SETUP {
    changed_class = vesh::new_class(VESH_CLASS_NAME, changed_new, nullptr);
    vesh::signal_only_left_inlet(changed_class);
    vesh::add_block_dsp<changed_block>(changed_class);
}
