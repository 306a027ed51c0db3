// canvas.bounds: reports the window bounds each time the editor sets them to
// new values. Some editors send the same bounds twice while a window opens;
// the repeat is dropped, and a window unmapped or closed reports again.
#include "vesh.hpp"
#include "window_proxy.hpp"

namespace {

struct t_canvas_bounds {
    t_object x_obj;
    vesh::t_window_proxy *proxy;
    t_float last[4];
    int reported;  // `last` holds the bounds reported while the window is up
};

t_class *canvas_bounds_class;

void canvas_bounds_window(vesh::t_window_proxy *p, t_symbol *s, int argc, t_atom *argv) {
    auto *x = static_cast<t_canvas_bounds *>(p->owner);
    if (s == gensym("menuclose") || (s == gensym("map") && argc >= 1 && atom_getfloat(argv) == 0))
        x->reported = 0;
    if (s != gensym("setbounds") || argc < 4) return;
    bool same = x->reported;
    for (int i = 0; i < 4; i++) same = same && x->last[i] == atom_getfloat(argv + i);
    if (same) return;
    t_atom bounds[4];
    for (int i = 0; i < 4; i++) SETFLOAT(&bounds[i], x->last[i] = atom_getfloat(argv + i));
    x->reported = 1;
    outlet_list(x->x_obj.ob_outlet, &s_list, 4, bounds);
}

t_canvas_bounds *canvas_bounds_new(t_floatarg depth) {
    t_glist *canvas = vesh::canvas_walk_up(canvas_getcurrent(), vesh::canvas_depth(depth));
    auto *x = vesh::new_object<t_canvas_bounds>(canvas_bounds_class);
    outlet_new(&x->x_obj, &s_list);
    x->proxy = vesh::window_proxy_new(canvas, x, canvas_bounds_window);
    return x;
}

void canvas_bounds_free(t_canvas_bounds *x) {
    vesh::window_proxy_release(x->proxy);
}

}  // namespace

VESH_SETUP {
    vesh::window_proxy_setup();
    canvas_bounds_class = vesh::new_class<t_canvas_bounds>(VESH_CLASS_NAME, canvas_bounds_new,
                                                           canvas_bounds_free, CLASS_NOINLET);
}
