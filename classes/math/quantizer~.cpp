// quantizer~: snaps a signal to multiples of a step (a signal), rounding by
// the mode: 0 nearest, 1 toward zero, 2 down, 3 up.
#include "vesh.hpp"
#include "range_kernel.hpp"

namespace {

struct t_quantizer_tilde {
    t_object x_obj;
    t_float mode;  // a whole number 0 to 3
};

t_class *quantizer_tilde_class;

void quantizer_tilde_mode(t_quantizer_tilde *x, t_floatarg f) {
    x->mode = vesh::quantize_mode(f);
}

// Floats: step, then mode; or "-mode" and a float as the last two atoms.
t_quantizer_tilde *quantizer_tilde_new(t_symbol *, int argc, t_atom *argv) {
    t_float step = 0, mode = 0, flagged = 0;
    const int floats = vesh::read_floats_then_flag(argc, argv, "-mode", flagged);
    if (floats < 0 || (floats < argc && argv[argc - 1].a_type != A_FLOAT)) {
        return vesh::improper_args<t_quantizer_tilde>("quantizer~: improper args");
    }
    if (floats > 0) step = argv[0].a_w.w_float;
    if (floats > 1) mode = argv[1].a_w.w_float;
    if (floats < argc) mode = flagged;
    auto *x = vesh::new_object<t_quantizer_tilde>(quantizer_tilde_class);
    quantizer_tilde_mode(x, mode);
    vesh::signal_inlet(&x->x_obj, step);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

template <vesh::Rounding mode>
void quantizer_tilde_run(int n, const t_sample *in, const t_sample *step, t_sample *out) {
    for (int i = 0; i < n; i++) out[i] = vesh::quantize<mode>(in[i], step[i]);
}

// The mode is read once per block.
void quantizer_tilde_block(t_quantizer_tilde *x, int n, const t_sample *in, const t_sample *step,
                           t_sample *out) {
    switch (static_cast<int>(x->mode)) {
        case 1:
            quantizer_tilde_run<vesh::Rounding::toward_zero>(n, in, step, out);
            break;
        case 2:
            quantizer_tilde_run<vesh::Rounding::down>(n, in, step, out);
            break;
        case 3:
            quantizer_tilde_run<vesh::Rounding::up>(n, in, step, out);
            break;
        default:
            quantizer_tilde_run<vesh::Rounding::nearest>(n, in, step, out);
            break;
    }
}

}  // namespace

VESH_SETUP {
    quantizer_tilde_class =
        vesh::new_class<t_quantizer_tilde>(VESH_CLASS_NAME, quantizer_tilde_new, nullptr);
    vesh::signal_only_left_inlet(quantizer_tilde_class);
    vesh::add_block_dsp<quantizer_tilde_block>(quantizer_tilde_class);
    vesh::add_method(quantizer_tilde_class, "mode", quantizer_tilde_mode);
}
