// rad2hz~: radians per sample to hertz, sample by sample, with the factor taken
// from the sample rate when DSP starts.
#include "conversion_kernel.hpp"
#include "vesh.hpp"

namespace {

struct t_rad2hz {
    t_object x_obj;
    t_float factor;
};

t_class *rad2hz_class;

t_rad2hz *rad2hz_new() {
    auto *x = vesh::new_object<t_rad2hz>(rad2hz_class);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void rad2hz_block(t_rad2hz *x, int n, const t_sample *in, t_sample *out) {
    const t_sample factor = x->factor;
    vesh::conversion::scale(in, out, n, factor);
}

void rad2hz_prepare(t_rad2hz *x, t_signal **sp) {
    x->factor = vesh::conversion::rad2hz_factor(sp[0]->s_sr);
}

}  // namespace

VESH_SETUP {
    rad2hz_class = vesh::new_class<t_rad2hz>(VESH_CLASS_NAME, rad2hz_new, nullptr);
    vesh::signal_only_left_inlet(rad2hz_class);
    vesh::add_block_dsp<rad2hz_block, rad2hz_prepare>(rad2hz_class);
}
