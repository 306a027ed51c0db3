// pan4~: equal-power panning over four speakers, at (x, y) = (-1, -1),
// (-1, 1), (1, 1) and (1, -1) for outlets 1 to 4.
#include "block.hpp"
#include "mixing_kernel.hpp"
#include "vesh.hpp"

namespace {

using vesh::mixing::pan4_law;

struct t_pan4 {
    t_object x_obj;
    t_inlet *x_position;
    t_inlet *y_position;
};

t_class *pan4_class;

t_pan4 *pan4_new(t_floatarg x_position, t_floatarg y_position) {
    auto *x = vesh::new_object<t_pan4>(pan4_class);
    x->x_position = vesh::signal_inlet(&x->x_obj, vesh::mixing::clamp_unit(x_position));
    x->y_position = vesh::signal_inlet(&x->x_obj, vesh::mixing::clamp_unit(y_position));
    for (int k = 0; k < 4; k++) outlet_new(&x->x_obj, &s_signal);
    return x;
}

void pan4_free(t_pan4 *x) {
    inlet_free(x->x_position);
    inlet_free(x->y_position);
}

void pan4_block(t_pan4 *, int n, const t_sample *in, const t_sample *px, const t_sample *py,
                t_sample *o1, t_sample *o2, t_sample *o3, t_sample *o4) {
    // A still position (the usual case) needs its sines and cosines once.
    const bool still = vesh::holds(px, n) && vesh::holds(py, n);
    const pan4_law held(static_cast<float>(px[0]), static_cast<float>(py[0]));
    for (int i = 0; i < n; i++) {
        const auto s = static_cast<float>(in[i]);
        const pan4_law law =
            still ? held : pan4_law(static_cast<float>(px[i]), static_cast<float>(py[i]));
        float out[4];
        law(s, out);
        o1[i] = out[0];
        o2[i] = out[1];
        o3[i] = out[2];
        o4[i] = out[3];
    }
}

}  // namespace

VESH_SETUP {
    pan4_class = vesh::new_class(VESH_CLASS_NAME, pan4_new, pan4_free);
    vesh::signal_only_left_inlet(pan4_class);
    vesh::add_block_dsp<pan4_block>(pan4_class);
}
