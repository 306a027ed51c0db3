// fontsize: reports the font size of a patch (or an enclosing one) at load,
// on bang and whenever the patch's font is changed.
#include "vesh.hpp"
#include "window_proxy.hpp"

namespace {

struct t_fontsize {
    t_object x_obj;
    vesh::t_window_proxy *proxy;
    t_glist *canvas;
};

t_class *fontsize_class;

void fontsize_window(vesh::t_window_proxy *p, t_symbol *s, int argc, t_atom *argv) {
    auto *x = static_cast<t_fontsize *>(p->owner);
    if (s == gensym("font") && argc >= 1) outlet_float(x->x_obj.ob_outlet, atom_getfloat(argv));
}

void fontsize_bang(t_fontsize *x) {
    outlet_float(x->x_obj.ob_outlet, glist_getfont(x->canvas));
}

void fontsize_loadbang(t_fontsize *x, t_floatarg action) {
    if (action == 0) fontsize_bang(x);
}

t_fontsize *fontsize_new(t_floatarg depth) {
    t_glist *canvas = vesh::canvas_walk_up_roots(canvas_getcurrent(), vesh::canvas_depth(depth));
    auto *x = vesh::new_object<t_fontsize>(fontsize_class);
    x->canvas = canvas;
    outlet_new(&x->x_obj, &s_float);
    x->proxy = vesh::window_proxy_new(canvas, x, fontsize_window);
    return x;
}

void fontsize_free(t_fontsize *x) {
    vesh::window_proxy_release(x->proxy);
}

}  // namespace

VESH_SETUP {
    vesh::window_proxy_setup();
    fontsize_class = vesh::new_class<t_fontsize>(VESH_CLASS_NAME, fontsize_new, fontsize_free);
    vesh::add_bang(fontsize_class, fontsize_bang);
    vesh::add_method_defaults(fontsize_class, "loadbang", fontsize_loadbang);
}
