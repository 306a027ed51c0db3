// canvas.gop: reports the graph-on-parent settings of a canvas.
#include "vesh.hpp"
#include "window_proxy.hpp"

namespace {

struct t_canvas_gop {
    t_object x_obj;
    t_glist *canvas;
};

t_class *canvas_gop_class;

void canvas_gop_bang(t_canvas_gop *x) {
    const t_glist *c = x->canvas;
    // Sums in double: the fields are ints and the host's float is single.
    const double values[7] = {static_cast<double>(c->gl_isgraph),
                              static_cast<double>(c->gl_pixwidth),
                              static_cast<double>(c->gl_pixheight),
                              static_cast<double>(c->gl_xmargin),
                              static_cast<double>(c->gl_ymargin),
                              static_cast<double>(c->gl_xmargin) + c->gl_pixwidth,
                              static_cast<double>(c->gl_ymargin) + c->gl_pixheight};
    t_atom list[7];
    for (int i = 0; i < 7; i++) SETFLOAT(&list[i], static_cast<t_float>(values[i]));
    outlet_list(x->x_obj.ob_outlet, &s_list, 7, list);
}

t_canvas_gop *canvas_gop_new(t_floatarg depth) {
    t_glist *canvas =
        vesh::canvas_walk_up(glist_getcanvas(canvas_getcurrent()), vesh::canvas_depth(depth));
    auto *x = vesh::new_object<t_canvas_gop>(canvas_gop_class);
    x->canvas = canvas;
    outlet_new(&x->x_obj, &s_list);
    return x;
}

}  // namespace

VESH_SETUP {
    canvas_gop_class = vesh::new_class<t_canvas_gop>(VESH_CLASS_NAME, canvas_gop_new, nullptr);
    vesh::add_bang(canvas_gop_class, canvas_gop_bang);
}
