// xgate2~: routes a signal across N outlets with equal-power fades between
// neighbours. The position counts outlets from 0 (index mode) or runs from 0
// to 1 across all of them (normalised mode).
#include "mixing_kernel.hpp"
#include "numbers.hpp"
#include "vesh.hpp"

namespace {

struct t_xgate2 {
    t_object x_obj;
    int count;  // outlets
    int index_mode;
    t_sample **outputs;  // set by "dsp"
};

t_class *xgate2_class;

void xgate2_free(t_xgate2 *x) {
    if (x->outputs) freebytes(x->outputs, static_cast<std::size_t>(x->count) * sizeof(t_sample *));
}

// The first float sets the count and, until a second float says otherwise,
// the index mode (so a first argument of 0 turns it off).
t_xgate2 *xgate2_new(t_symbol *, int argc, t_atom *argv) {
    if (!vesh::all_floats(argc, argv)) {
        return vesh::improper_args<t_xgate2>("[xgate2~]: improper args");
    }
    int count = 2, index_mode = 1;
    if (argc > 0) {
        count = vesh::to_count(argv[0].a_w.w_float, 2, 500);
        index_mode = argv[0].a_w.w_float != 0;
    }
    if (argc > 1) index_mode = argv[1].a_w.w_float != 0;
    auto *x = vesh::new_object<t_xgate2>(xgate2_class);
    x->count = count;
    x->index_mode = index_mode;
    x->outputs =
        static_cast<t_sample **>(getbytes(static_cast<std::size_t>(count) * sizeof(t_sample *)));
    if (!x->outputs) {
        pd_error(nullptr, "[xgate2~]: memory allocation failure");
        pd_free(&x->x_obj.ob_pd);
        return nullptr;
    }
    vesh::signal_inlet(&x->x_obj, 0);
    for (int k = 0; k < count; k++) outlet_new(&x->x_obj, &s_signal);
    return x;
}

void xgate2_index(t_xgate2 *x, t_floatarg f) {
    x->index_mode = f != 0;
}

// Position and input of a sample are read before its outputs are written: an
// output may be given the memory of an input.
void xgate2_block(t_xgate2 *x, int n, const t_sample *position, const t_sample *in) {
    const int last = x->count - 1;
    const float scale = x->index_mode ? 1.0f : static_cast<float>(last);
    t_sample *const *out = x->outputs;
    for (int i = 0; i < n; i++) {
        const float p = static_cast<float>(position[i]) * scale;
        const t_sample v = in[i];
        for (int k = 0; k <= last; k++) out[k][i] = 0;
        if (!(p > 0)) {  // NaN as well
            out[0][i] = v;
        } else if (p >= static_cast<float>(last)) {
            out[last][i] = v;
        } else {
            const auto k = static_cast<int>(p);
            const vesh::mixing::equal_power law(p - static_cast<float>(k));
            out[k][i] = static_cast<t_sample>(v * law.near);
            out[k + 1][i] = static_cast<t_sample>(v * law.far);
        }
    }
}

void xgate2_dsp(t_xgate2 *x, t_signal **sp) {
    for (int k = 0; k < x->count; k++) x->outputs[k] = sp[2 + k]->s_vec;
    vesh::add_perform(vesh::block_perform<xgate2_block>, x, sp[0]->s_n, sp[0]->s_vec, sp[1]->s_vec);
}

}  // namespace

VESH_SETUP {
    xgate2_class = vesh::new_class(VESH_CLASS_NAME, xgate2_new, xgate2_free);
    vesh::signal_only_left_inlet(xgate2_class);
    vesh::add_dsp(xgate2_class, xgate2_dsp);
    vesh::add_method(xgate2_class, "index", xgate2_index);
}
