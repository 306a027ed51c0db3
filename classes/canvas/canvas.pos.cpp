// canvas.pos: reports where a subpatch's box stands in its parent.
#include "vesh.hpp"
#include "window_proxy.hpp"

namespace {

struct t_canvas_pos {
    t_object x_obj;
    t_glist *canvas;
};

t_class *canvas_pos_class;

void canvas_pos_bang(t_canvas_pos *x) {
    t_atom list[2];
    SETFLOAT(&list[0], x->canvas->gl_obj.te_xpix);
    SETFLOAT(&list[1], x->canvas->gl_obj.te_ypix);
    outlet_list(x->x_obj.ob_outlet, &s_list, 2, list);
}

t_canvas_pos *canvas_pos_new(t_floatarg depth) {
    t_glist *canvas =
        vesh::canvas_walk_up(glist_getcanvas(canvas_getcurrent()), vesh::canvas_depth(depth));
    auto *x = vesh::new_object<t_canvas_pos>(canvas_pos_class);
    x->canvas = canvas;
    outlet_new(&x->x_obj, &s_list);
    return x;
}

}  // namespace

VESH_SETUP {
    canvas_pos_class = vesh::new_class<t_canvas_pos>(VESH_CLASS_NAME, canvas_pos_new, nullptr);
    vesh::add_bang(canvas_pos_class, canvas_pos_bang);
}
