// canvas.name: the name of a canvas's drawing widget (".x%lx.c"), the target
// of Tcl drawing commands sent to the editor.
#include "vesh.hpp"
#include "window_proxy.hpp"

namespace {

struct t_canvas_name {
    t_object x_obj;
    t_symbol *name;
};

t_class *canvas_name_class;

void canvas_name_bang(t_canvas_name *x) {
    outlet_symbol(x->x_obj.ob_outlet, x->name);
}

// Any atoms are accepted; only a leading float means something (the depth).
t_canvas_name *canvas_name_new(t_symbol *, int argc, t_atom *argv) {
    t_float depth = argc > 0 && argv[0].a_type == A_FLOAT ? argv[0].a_w.w_float : 0;
    t_glist *canvas = vesh::canvas_walk_up(canvas_getcurrent(), vesh::canvas_depth(depth));
    auto *x = vesh::new_object<t_canvas_name>(canvas_name_class);
    x->name = vesh::canvas_widget_name(canvas);
    outlet_new(&x->x_obj, &s_symbol);
    return x;
}

}  // namespace

VESH_SETUP {
    canvas_name_class = vesh::new_class<t_canvas_name>(VESH_CLASS_NAME, canvas_name_new, nullptr);
    vesh::add_bang(canvas_name_class, canvas_name_bang);
}
