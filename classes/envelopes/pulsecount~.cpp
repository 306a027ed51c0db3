// pulsecount~: counts rises (from 0 or below to above 0); with a maximum the
// count runs 1 to max and wraps. A reset sample above 0 sets it to 0.
#include <cmath>

#include "numbers.hpp"
#include "trigger.hpp"
#include "vesh.hpp"

namespace {

struct t_pulsecount {
    t_object x_obj;
    t_float count;
    t_float max;  // -1: no limit
    t_float previous;
};

t_class *pulsecount_class;

void pulsecount_max(t_pulsecount *x, t_floatarg f) {
    const int m = vesh::int_part(f);
    x->max = m < 1 ? -1 : static_cast<t_float>(m);
}

t_pulsecount *pulsecount_new(t_floatarg max) {
    auto *x = vesh::new_object<t_pulsecount>(pulsecount_class);
    vesh::signal_inlet(&x->x_obj, 0);
    outlet_new(&x->x_obj, &s_signal);
    pulsecount_max(x, max);
    x->previous = 1;  // a signal that starts above 0 is not counted
    return x;
}

void pulsecount_block(t_pulsecount *x, int n, const t_sample *in, const t_sample *reset,
                      t_sample *out) {
    float count = x->count;
    float previous = x->previous;
    const float max = x->max;
    for (int i = 0; i < n; i++) {
        const float v = in[i];
        if (reset[i] > 0) count = 0;
        if (vesh::trigger::rise(previous, v)) {
            count += 1;
            if (max > 0 && count >= max + 1) count = std::fmod(count, max + 1) + 1;
        }
        out[i] = count;
        previous = v;
    }
    x->count = count;
    x->previous = previous;
}

}  // namespace

VESH_SETUP {
    pulsecount_class = vesh::new_class(VESH_CLASS_NAME, pulsecount_new, nullptr);
    vesh::signal_only_left_inlet(pulsecount_class);
    vesh::add_block_dsp<pulsecount_block>(pulsecount_class);
    vesh::add_method(pulsecount_class, "max", pulsecount_max);
}
