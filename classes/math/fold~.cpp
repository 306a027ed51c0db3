// fold~: reflects a signal back into the range between two bounds (low and
// high, given by signals, in either order) as often as needed.
#include "vesh.hpp"
#include "range_kernel.hpp"

namespace {

struct t_fold_tilde {
    t_object x_obj;
    t_float input;  // the left inlet's scalar
};

t_class *fold_tilde_class;

// No arguments: -1 to 1; one float: 0 to it; two: low and high.
t_fold_tilde *fold_tilde_new(t_symbol *, int argc, t_atom *argv) {
    t_float low = -1, high = 1;
    if (argc > 2 || !vesh::all_floats(argc, argv)) {
        return vesh::improper_args<t_fold_tilde>("fold~: improper args");
    }
    if (argc == 1) {
        low = 0;
        high = argv[0].a_w.w_float;
    } else if (argc == 2) {
        low = argv[0].a_w.w_float;
        high = argv[1].a_w.w_float;
    }
    auto *x = vesh::new_object<t_fold_tilde>(fold_tilde_class);
    vesh::signal_inlet(&x->x_obj, low);
    vesh::signal_inlet(&x->x_obj, high);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

void fold_tilde_block(t_fold_tilde *, int n, const t_sample *in, const t_sample *low,
                      const t_sample *high, t_sample *out) {
    for (int i = 0; i < n; i++) out[i] = vesh::fold(in[i], low[i], high[i]);
}

}  // namespace

VESH_SETUP {
    fold_tilde_class = vesh::new_class<t_fold_tilde>(VESH_CLASS_NAME, fold_tilde_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(fold_tilde_class, t_fold_tilde, input);
    vesh::add_block_dsp<fold_tilde_block>(fold_tilde_class);
}
