// slew2~: slew-rate limiter with separate upward and downward limits (units
// per second); a negative limit lets the input through in its direction.
#include "smoothing_kernel.hpp"
#include "vesh.hpp"

namespace {

using namespace vesh::smoothing;

struct t_slew2 {
    t_object x_obj;
    t_float in;  // main-inlet scalar
    t_float seconds_per_sample;
    t_float y;
    t_inlet *up, *down;
};

t_class *slew2_class;

t_slew2 *slew2_new(t_floatarg up, t_floatarg down) {
    auto *x = vesh::new_object<t_slew2>(slew2_class);
    x->up = vesh::signal_inlet(&x->x_obj, up);
    x->down = vesh::signal_inlet(&x->x_obj, down);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void slew2_free(t_slew2 *x) {
    inlet_free(x->up);
    inlet_free(x->down);
}

// The output from which the next sample is limited.
void slew2_set(t_slew2 *x, t_floatarg y) {
    x->y = y;
}

void slew2_block(t_slew2 *x, int n, const t_sample *in, const t_sample *up, const t_sample *down,
                 t_sample *out) {
    const float spp = x->seconds_per_sample;
    float y = x->y;
    if (vesh::holds(up, n) && vesh::holds(down, n)) {
        // Limits held for the block: their steps once.
        const float up_step = static_cast<float>(up[0]) * spp;
        const float down_step = static_cast<float>(down[0]) * spp;
        for (int i = 0; i < n; i++) {
            y = slew_toward(y, static_cast<float>(in[i]), up_step, down_step);
            out[i] = y;
        }
    } else {
        for (int i = 0; i < n; i++) {
            const float up_step = static_cast<float>(up[i]) * spp;
            y = slew_toward(y, static_cast<float>(in[i]), up_step,
                            static_cast<float>(down[i]) * spp);
            out[i] = y;
        }
    }
    x->y = y;
}

void slew2_prepare(t_slew2 *x, t_signal **sp) {
    x->seconds_per_sample = 1.0f / sp[0]->s_sr;
}

}  // namespace

VESH_SETUP {
    slew2_class = vesh::new_class<t_slew2>(VESH_CLASS_NAME, slew2_new, slew2_free);
    VESH_MAIN_SIGNAL_INLET(slew2_class, t_slew2, in);
    vesh::add_block_dsp<slew2_block, slew2_prepare>(slew2_class);
    vesh::add_method_defaults(slew2_class, "set", slew2_set);
}
