// quantizer: snaps a float, or each element of a list, to a multiple of the
// step, rounding by the mode: 0 nearest, 1 toward zero, 2 down, 3 up.
#include "vesh.hpp"
#include "float_list.hpp"
#include "range_kernel.hpp"

namespace {

struct t_quantizer {
    t_object x_obj;
    t_float step;
    int mode;
};

t_class *quantizer_class;

float quantizer_apply(const t_quantizer *x, t_float f) {
    return vesh::quantize(static_cast<float>(f), static_cast<float>(x->step), x->mode);
}

void quantizer_float(t_quantizer *x, t_floatarg f) {
    outlet_float(x->x_obj.ob_outlet, quantizer_apply(x, f));
}

void quantizer_list(t_quantizer *x, t_symbol *, int argc, t_atom *argv) {
    auto apply = [x](t_float v) { return quantizer_apply(x, v); };
    vesh::convert_list(&x->x_obj, argc, argv, apply);
}

void quantizer_mode(t_quantizer *x, t_floatarg f) {
    x->mode = vesh::quantize_mode(f);
}

// Floats: step, then mode; or "-mode" and a float as the last two atoms.
t_quantizer *quantizer_new(t_symbol *, int argc, t_atom *argv) {
    t_float step = 0, mode = 0, flagged = 0;
    const int floats = vesh::read_floats_then_flag(argc, argv, "-mode", flagged);
    if (floats < 0 || (floats < argc && argv[argc - 1].a_type != A_FLOAT)) {
        return vesh::improper_args<t_quantizer>("quantizer: improper args");
    }
    if (floats > 0) step = argv[0].a_w.w_float;
    if (floats > 1) mode = argv[1].a_w.w_float;
    if (floats < argc) mode = flagged;
    auto *x = vesh::new_object<t_quantizer>(quantizer_class);
    x->step = step;
    x->mode = vesh::quantize_mode(mode);
    vesh::float_inlet(&x->x_obj, &x->step);
    outlet_new(&x->x_obj, &s_anything);
    return x;
}

}  // namespace

VESH_SETUP {
    quantizer_class = vesh::new_class(VESH_CLASS_NAME, quantizer_new, nullptr);
    vesh::add_float(quantizer_class, quantizer_float);
    vesh::add_list(quantizer_class, quantizer_list);
    vesh::add_method(quantizer_class, "mode", quantizer_mode);
}
