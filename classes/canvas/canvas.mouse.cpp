// canvas.mouse: mouse clicks and pointer position in a patch window, in the
// window's unzoomed coordinates, optionally relative to the subpatch box.
#include "vesh.hpp"
#include "window_proxy.hpp"

namespace {

struct t_canvas_mouse {
    t_object x_obj;
    vesh::t_window_proxy *proxy;
    t_glist *window;  // the canvas whose window is watched
    t_glist *canvas;  // the canvas whose box position applies
    int edit;
    int relative;
    int x0, y0;  // zero point
    int x, y;    // last position
    t_outlet *x_outlet;
    t_outlet *y_outlet;
};

t_class *canvas_mouse_class;
// Looked up once: pointer motion sends a message per pixel.
t_symbol *s_mouse, *s_mouseup, *s_motion, *s_editmode;

void canvas_mouse_window(vesh::t_window_proxy *p, t_symbol *s, int argc, t_atom *argv) {
    auto *x = static_cast<t_canvas_mouse *>(p->owner);
    if (argc < 1) return;
    if (argc >= 2) {
        // The editor's coordinates are zoomed by the window they come from;
        // a subpatch below keeps its own (unzoomed) factor.
        t_float zoom = x->window->gl_zoom > 1 ? x->window->gl_zoom : 1;
        int px = vesh::integer_part(atom_getfloat(argv) / zoom);
        int py = vesh::integer_part(atom_getfloat(argv + 1) / zoom);
        if (x->relative) {
            px -= x->canvas->gl_obj.te_xpix;
            py -= x->canvas->gl_obj.te_ypix;
        }
        x->x = px;
        x->y = py;
    }
    if (s == s_editmode) x->edit = vesh::integer_part(atom_getfloat(argv));
    if (x->edit) return;
    if (s == s_motion) {
        outlet_float(x->y_outlet, x->y - x->y0);
        if (!p->owner) return;
        outlet_float(x->x_outlet, x->x - x->x0);
    } else if (s == s_mouse && argc >= 3 && atom_getfloat(argv + 2) == 1) {
        outlet_float(x->y_outlet, x->y - x->y0);
        if (!p->owner) return;
        outlet_float(x->x_outlet, x->x - x->x0);
        if (!p->owner) return;
        outlet_float(x->x_obj.ob_outlet, 1);
    } else if (s == s_mouseup && argc >= 3 && atom_getfloat(argv + 2) != 0) {
        outlet_float(x->x_obj.ob_outlet, 0);
    }
}

t_canvas_mouse *canvas_mouse_new(t_floatarg depth, t_floatarg relative) {
    t_glist *below = nullptr;
    t_glist *window = vesh::canvas_walk_up(canvas_getcurrent(), vesh::canvas_depth(depth), &below);
    auto *x = vesh::new_object<t_canvas_mouse>(canvas_mouse_class);
    x->window = window;
    x->canvas = below;
    x->relative = relative != 0;
    x->edit = below->gl_edit;
    outlet_new(&x->x_obj, &s_float);
    x->x_outlet = outlet_new(&x->x_obj, &s_float);
    x->y_outlet = outlet_new(&x->x_obj, &s_float);
    x->proxy = vesh::window_proxy_new(window, x, canvas_mouse_window);
    return x;
}

void canvas_mouse_free(t_canvas_mouse *x) {
    vesh::window_proxy_release(x->proxy);
}

void canvas_mouse_zero(t_canvas_mouse *x) {
    x->x0 = x->x;
    x->y0 = x->y;
}

void canvas_mouse_reset(t_canvas_mouse *x) {
    x->x0 = x->y0 = 0;
}

}  // namespace

VESH_SETUP {
    vesh::window_proxy_setup();
    s_mouse = gensym("mouse");
    s_mouseup = gensym("mouseup");
    s_motion = gensym("motion");
    s_editmode = gensym("editmode");
    canvas_mouse_class =
        vesh::new_class<t_canvas_mouse>(VESH_CLASS_NAME, canvas_mouse_new, canvas_mouse_free);
    vesh::add_method(canvas_mouse_class, "zero", canvas_mouse_zero);
    vesh::add_method(canvas_mouse_class, "reset", canvas_mouse_reset);
}
