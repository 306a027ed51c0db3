// canvas.setname: binds a canvas to a name, so that messages sent to the name
// (";name obj 10 10 f", ";name clear") reach the canvas itself.
#include "vesh.hpp"
#include "window_proxy.hpp"

namespace {

struct t_canvas_setname {
    t_object x_obj;
    t_symbol *name;
    t_glist *canvas;
};

t_class *canvas_setname_class;

t_canvas_setname *canvas_setname_new(t_symbol *name, t_floatarg depth) {
    t_glist *canvas = vesh::canvas_walk_up(canvas_getcurrent(), vesh::canvas_depth(depth));
    auto *x = vesh::new_object<t_canvas_setname>(canvas_setname_class);
    x->name = name;
    x->canvas = canvas;
    if (*name->s_name) pd_bind(&canvas->gl_pd, name);
    return x;
}

// The object always lives inside (or below) the canvas it binds, so it is
// deleted before that canvas and the binding never outlives it.
void canvas_setname_free(t_canvas_setname *x) {
    if (*x->name->s_name) pd_unbind(&x->canvas->gl_pd, x->name);
}

}  // namespace

VESH_SETUP {
    canvas_setname_class = vesh::new_class<t_canvas_setname>(VESH_CLASS_NAME, canvas_setname_new,
                                                             canvas_setname_free, CLASS_NOINLET);
}
