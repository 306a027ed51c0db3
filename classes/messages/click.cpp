// click: a click in run mode on the box of the abstraction (or subpatch) it
// lives in sends a bang instead of opening that patch's window.
//
// The host offers such a click to the canvas as a "click" message, so the
// class gives the host's canvas class its own "click" method, once: with no
// click object in the clicked canvas it opens the window as before.
#include "vesh.hpp"

#include <g_canvas.h>

namespace {

struct t_click {
    t_object x_obj;
    t_glist *canvas;  // the canvas whose clicks this object takes
    t_click *next;
};

t_class *click_class;

// Every click object of the process, in creation order.
t_click *s_clicks;

void click_click(t_glist *canvas) {
    bool taken = false;
    for (t_click *c = s_clicks; c; c = c->next) {
        if (c->canvas != canvas) continue;
        taken = true;
        outlet_bang(c->x_obj.ob_outlet);
    }
    if (!taken) canvas_vis(canvas, 1);
}

// Added once: adding it again would only rename the old entry and grow the
// host's method table.
void click_take_canvas_clicks(t_glist *canvas) {
    t_symbol *sel = gensym("click");
    if (zgetfn(&canvas->gl_pd, sel) == vesh::detail::function_cast<t_gotfn>(click_click)) return;
    class_addmethod(pd_class(&canvas->gl_pd), reinterpret_cast<t_method>(click_click), sel, A_NULL);
}

// 0: the abstraction or top-level patch; otherwise the canvas the object is
// drawn in.
t_click *click_new(t_floatarg which) {
    t_glist *canvas = glist_getcanvas(canvas_getcurrent());
    if (which == 0) {
        while (!canvas->gl_env && canvas->gl_owner) canvas = canvas->gl_owner;
    }
    click_take_canvas_clicks(canvas);
    auto *x = vesh::new_object<t_click>(click_class);
    x->canvas = canvas;
    t_click **end = &s_clicks;
    while (*end) end = &(*end)->next;
    *end = x;
    outlet_new(&x->x_obj, &s_bang);
    return x;
}

void click_free(t_click *x) {
    for (t_click **c = &s_clicks; *c; c = &(*c)->next) {
        if (*c == x) {
            *c = x->next;
            return;
        }
    }
}

}  // namespace

VESH_SETUP {
    click_class = vesh::new_class(VESH_CLASS_NAME, click_new, click_free, CLASS_NOINLET);
}
