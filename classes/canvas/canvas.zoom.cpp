// canvas.zoom: reports whether a patch window is zoomed in (1) or not (0), at
// load, on bang and whenever the editor changes the zoom.
#include "vesh.hpp"
#include "window_proxy.hpp"

namespace {

struct t_canvas_zoom {
    t_object x_obj;
    vesh::t_window_proxy *proxy;
    t_glist *canvas;
    int zoom;  // last zoom factor seen
};

t_class *canvas_zoom_class;

void canvas_zoom_window(vesh::t_window_proxy *p, t_symbol *s, int argc, t_atom *argv) {
    auto *x = static_cast<t_canvas_zoom *>(p->owner);
    if (s != gensym("zoom") || argc < 1) return;
    int zoom = vesh::integer_part(atom_getfloat(argv));
    if (zoom != x->zoom) {
        x->zoom = zoom;
        outlet_float(x->x_obj.ob_outlet, zoom == 2);
    }
}

void canvas_zoom_bang(t_canvas_zoom *x) {
    x->zoom = x->canvas->gl_zoom;
    outlet_float(x->x_obj.ob_outlet, x->zoom == 2);
}

void canvas_zoom_loadbang(t_canvas_zoom *x, t_floatarg action) {
    if (action == 0) canvas_zoom_bang(x);
}

t_canvas_zoom *canvas_zoom_new(t_floatarg depth) {
    t_glist *canvas = vesh::canvas_walk_up(canvas_getcurrent(), vesh::canvas_depth(depth));
    auto *x = vesh::new_object<t_canvas_zoom>(canvas_zoom_class);
    x->canvas = canvas;
    outlet_new(&x->x_obj, &s_float);
    x->proxy = vesh::window_proxy_new(canvas, x, canvas_zoom_window);
    return x;
}

void canvas_zoom_free(t_canvas_zoom *x) {
    vesh::window_proxy_release(x->proxy);
}

}  // namespace

VESH_SETUP {
    vesh::window_proxy_setup();
    canvas_zoom_class =
        vesh::new_class<t_canvas_zoom>(VESH_CLASS_NAME, canvas_zoom_new, canvas_zoom_free);
    vesh::add_bang(canvas_zoom_class, canvas_zoom_bang);
    vesh::add_method_defaults(canvas_zoom_class, "loadbang", canvas_zoom_loadbang);
}
