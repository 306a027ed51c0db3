// canvas.wname: the name of a canvas's window (".x%lx"), to which the editor
// sends its messages for that canvas.
#include "vesh.hpp"
#include "window_proxy.hpp"

namespace {

struct t_canvas_wname {
    t_object x_obj;
    t_symbol *name;
};

t_class *canvas_wname_class;

void canvas_wname_bang(t_canvas_wname *x) {
    outlet_symbol(x->x_obj.ob_outlet, x->name);
}

t_canvas_wname *canvas_wname_new(t_floatarg depth) {
    t_glist *canvas = vesh::canvas_walk_up(canvas_getcurrent(), vesh::canvas_depth(depth));
    auto *x = vesh::new_object<t_canvas_wname>(canvas_wname_class);
    x->name = vesh::canvas_window_name(canvas);
    outlet_new(&x->x_obj, &s_symbol);
    return x;
}

}  // namespace

VESH_SETUP {
    canvas_wname_class =
        vesh::new_class<t_canvas_wname>(VESH_CLASS_NAME, canvas_wname_new, nullptr);
    vesh::add_bang(canvas_wname_class, canvas_wname_bang);
}
