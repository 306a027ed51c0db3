// slew~: slew-rate limiter: the output follows the input, moving by at most
// the limit (units per second) per second; a negative limit lets the input
// through.
#include "smoothing_kernel.hpp"
#include "vesh.hpp"

namespace {

using namespace vesh::smoothing;

struct t_slew {
    t_object x_obj;
    t_float in;  // main-inlet scalar
    t_float seconds_per_sample;
    t_float y;
    t_inlet *limit;
};

t_class *slew_class;

t_slew *slew_new(t_floatarg limit) {
    auto *x = vesh::new_object<t_slew>(slew_class);
    x->limit = vesh::signal_inlet(&x->x_obj, limit);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void slew_free(t_slew *x) {
    inlet_free(x->limit);
}

// The output from which the next sample is limited.
void slew_set(t_slew *x, t_floatarg y) {
    x->y = y;
}

void slew_block(t_slew *x, int n, const t_sample *in, const t_sample *limit, t_sample *out) {
    const float spp = x->seconds_per_sample;
    float y = x->y;
    if (vesh::holds(limit, n)) {
        // One limit for the block: its step once (a negative limit: no limit).
        const auto l = static_cast<float>(limit[0]);
        const float step = l < 0 ? -1 : l * spp;
        for (int i = 0; i < n; i++) {
            y = slew_toward(y, static_cast<float>(in[i]), step, step);
            out[i] = y;
        }
    } else {
        for (int i = 0; i < n; i++) {
            const auto v = static_cast<float>(in[i]);
            const auto l = static_cast<float>(limit[i]);
            const float step = l * spp;
            y = l < 0 ? v : slew_toward(y, v, step, step);
            out[i] = y;
        }
    }
    x->y = y;
}

void slew_prepare(t_slew *x, t_signal **sp) {
    x->seconds_per_sample = 1.0f / sp[0]->s_sr;
}

}  // namespace

VESH_SETUP {
    slew_class = vesh::new_class<t_slew>(VESH_CLASS_NAME, slew_new, slew_free);
    VESH_MAIN_SIGNAL_INLET(slew_class, t_slew, in);
    vesh::add_block_dsp<slew_block, slew_prepare>(slew_class);
    vesh::add_method_defaults(slew_class, "set", slew_set);
}
