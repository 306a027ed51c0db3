// hz2rad~: hertz to radians per sample, sample by sample, with the factor taken
// from the sample rate when DSP starts.
#include "conversion_kernel.hpp"
#include "vesh.hpp"

namespace {

struct t_hz2rad {
    t_object x_obj;
    t_float factor;
};

t_class *hz2rad_class;

t_hz2rad *hz2rad_new() {
    auto *x = vesh::new_object<t_hz2rad>(hz2rad_class);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void hz2rad_block(t_hz2rad *x, int n, const t_sample *in, t_sample *out) {
    const t_sample factor = x->factor;
    vesh::conversion::scale(in, out, n, factor);
}

void hz2rad_prepare(t_hz2rad *x, t_signal **sp) {
    x->factor = vesh::conversion::hz2rad_factor(sp[0]->s_sr);
}

}  // namespace

VESH_SETUP {
    hz2rad_class = vesh::new_class<t_hz2rad>(VESH_CLASS_NAME, hz2rad_new, nullptr);
    vesh::signal_only_left_inlet(hz2rad_class);
    vesh::add_block_dsp<hz2rad_block, hz2rad_prepare>(hz2rad_class);
}
