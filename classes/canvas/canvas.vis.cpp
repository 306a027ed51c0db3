// canvas.vis: reports whether a patch window is shown, on bang and whenever
// the window is mapped, unmapped or closed.
#include "vesh.hpp"
#include "window_proxy.hpp"

namespace {

struct t_canvas_vis {
    t_object x_obj;
    vesh::t_window_proxy *proxy;
    t_glist *canvas;
};

t_class *canvas_vis_class;

void canvas_vis_window(vesh::t_window_proxy *p, t_symbol *s, int argc, t_atom *argv) {
    auto *x = static_cast<t_canvas_vis *>(p->owner);
    if (s == gensym("map")) {
        if (argc >= 1) outlet_float(x->x_obj.ob_outlet, vesh::integer_part(atom_getfloat(argv)));
    } else if (s == gensym("menuclose")) {
        outlet_float(x->x_obj.ob_outlet, 0);
    }
}

void canvas_vis_bang(t_canvas_vis *x) {
    outlet_float(x->x_obj.ob_outlet, glist_isvisible(x->canvas) ? 1 : 0);
}

t_canvas_vis *canvas_vis_new(t_floatarg depth) {
    t_glist *canvas = vesh::canvas_walk_up(canvas_getcurrent(), vesh::canvas_depth(depth));
    auto *x = vesh::new_object<t_canvas_vis>(canvas_vis_class);
    x->canvas = canvas;
    outlet_new(&x->x_obj, &s_float);
    x->proxy = vesh::window_proxy_new(canvas, x, canvas_vis_window);
    return x;
}

void canvas_vis_free(t_canvas_vis *x) {
    vesh::window_proxy_release(x->proxy);
}

}  // namespace

VESH_SETUP {
    vesh::window_proxy_setup();
    canvas_vis_class =
        vesh::new_class<t_canvas_vis>(VESH_CLASS_NAME, canvas_vis_new, canvas_vis_free);
    vesh::add_bang(canvas_vis_class, canvas_vis_bang);
}
