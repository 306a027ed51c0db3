// Test-only: shows the two meanings of a secondary signal inlet. Each output
// block starts with [connected, applied, value]: whether a signal is connected
// to the right inlet, and whether a float was applied at this block (and which).
// With a signal connected the rest of the block copies that signal.
#include "magic.hpp"
#include "vesh.hpp"

namespace {

struct t_magic_tilde {
    t_object x_obj;
    t_float scalar;
    t_glist *canvas;
    t_float *event;
    int connected;
};

t_class *magic_tilde_class;

t_magic_tilde *magic_tilde_new() {
    auto *x = vesh::new_object<t_magic_tilde>(magic_tilde_class);
    vesh::signal_inlet(&x->x_obj, 0);
    x->canvas = canvas_getcurrent();
    x->event = obj_findsignalscalar(&x->x_obj, 1);
    outlet_new(&x->x_obj, &s_signal);
    return x;
}

t_int *magic_tilde_perform_scalar(t_int *w) {
    auto *x = vesh::word<t_magic_tilde *>(w, 1);
    const int n = vesh::word<int>(w, 2);
    auto *out = vesh::word<t_sample *>(w, 4);
    for (int i = 0; i < n; i++) out[i] = 0;
    out[0] = 0;
    if (!vesh::magic_isnan(*x->event)) {
        out[1] = 1;
        out[2] = *x->event;
        vesh::magic_setnan(x->event);
    }
    return w + 5;
}

t_int *magic_tilde_perform_signal(t_int *w) {
    const int n = vesh::word<int>(w, 2);
    const auto *in = vesh::word<t_sample *>(w, 3);
    auto *out = vesh::word<t_sample *>(w, 4);
    for (int i = 0; i < n; i++) out[i] = in[i];
    out[0] = 1;
    out[1] = 0;
    out[2] = 0;
    return w + 5;
}

void magic_tilde_dsp(t_magic_tilde *x, t_signal **sp) {
    x->connected = vesh::magic_inlet_connection(&x->x_obj, x->canvas, 1, &s_signal);
    vesh::add_perform(x->connected ? magic_tilde_perform_signal : magic_tilde_perform_scalar, x,
                      sp[0]->s_n, sp[1]->s_vec, sp[2]->s_vec);
}

}  // namespace

VESH_SETUP {
    magic_tilde_class = vesh::new_class<t_magic_tilde>(VESH_CLASS_NAME, magic_tilde_new, nullptr);
    VESH_MAIN_SIGNAL_INLET(magic_tilde_class, t_magic_tilde, scalar);
    vesh::add_dsp(magic_tilde_class, magic_tilde_dsp);
}
