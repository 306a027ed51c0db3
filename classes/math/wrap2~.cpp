// wrap2~: wraps a signal into the range from the lower of two bounds up to
// (not including) the higher, both given by signals.
#include "vesh.hpp"
#include "range_kernel.hpp"

namespace {

struct t_wrap2_tilde {
    t_object x_obj;
    t_inlet *first;
    t_inlet *second;
    t_outlet *out;
};

t_class *wrap2_tilde_class;

// No arguments: -1 and 1; one float: 0 and it; two: the bounds. The smaller
// goes to the first bound inlet.
t_wrap2_tilde *wrap2_tilde_new(t_symbol *, int argc, t_atom *argv) {
    t_float a = -1, b = 1;
    if (argc > 2 || !vesh::all_floats(argc, argv)) {
        return vesh::improper_args<t_wrap2_tilde>("[wrap2~]: improper args");
    }
    if (argc == 1) {
        a = 0;
        b = argv[0].a_w.w_float;
    } else if (argc == 2) {
        a = argv[0].a_w.w_float;
        b = argv[1].a_w.w_float;
    }
    auto *x = vesh::new_object<t_wrap2_tilde>(wrap2_tilde_class);
    x->first = vesh::signal_inlet(&x->x_obj, b < a ? b : a);
    x->second = vesh::signal_inlet(&x->x_obj, b < a ? a : b);
    x->out = outlet_new(&x->x_obj, &s_signal);
    return x;
}

void wrap2_tilde_free(t_wrap2_tilde *x) {
    inlet_free(x->first);
    inlet_free(x->second);
    outlet_free(x->out);
}

void wrap2_tilde_block(t_wrap2_tilde *, int n, const t_sample *in, const t_sample *first,
                       const t_sample *second, t_sample *out) {
    for (int i = 0; i < n; i++) out[i] = vesh::wrap2(in[i], first[i], second[i]);
}

}  // namespace

VESH_SETUP {
    wrap2_tilde_class =
        vesh::new_class<t_wrap2_tilde>(VESH_CLASS_NAME, wrap2_tilde_new, wrap2_tilde_free);
    vesh::signal_only_left_inlet(wrap2_tilde_class);
    vesh::add_block_dsp<wrap2_tilde_block>(wrap2_tilde_class);
}
