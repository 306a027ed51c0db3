// dollsym: expands the dollar arguments ($1, $2, ...) in a symbol with the
// creation arguments of the patch it lives in, or of a patch further up.
#include "vesh.hpp"
#include "window_proxy.hpp"

#include <g_canvas.h>

namespace {

struct t_dollsym {
    t_object x_obj;
    t_glist *canvas;  // whose arguments are used
    t_symbol *last;
};

t_class *dollsym_class;

void dollsym_bang(t_dollsym *x) {
    outlet_symbol(x->x_obj.ob_outlet, x->last);
}

void dollsym_symbol(t_dollsym *x, t_symbol *s) {
    x->last = canvas_realizedollar(x->canvas, s);
    dollsym_bang(x);
}

// A bare word is expanded as a symbol; messages with atoms are ignored.
void dollsym_anything(t_dollsym *x, t_symbol *s, int argc, t_atom *) {
    if (argc == 0) dollsym_symbol(x, s);
}

// Optional depth (patches to go up, abstractions and top-level patches
// counting), then an optional symbol to expand at once.
t_dollsym *dollsym_new(t_symbol *, int argc, t_atom *argv) {
    int depth = 0, i = 0;
    if (argc > 0 && argv[0].a_type == A_FLOAT) depth = vesh::canvas_depth(argv[i++].a_w.w_float);
    auto *x = vesh::new_object<t_dollsym>(dollsym_class);
    x->canvas = vesh::canvas_walk_up_roots(canvas_getcurrent(), depth);
    x->last = &s_;
    if (i < argc && argv[i].a_type == A_SYMBOL) {
        x->last = canvas_realizedollar(x->canvas, argv[i].a_w.w_symbol);
    }
    outlet_new(&x->x_obj, &s_symbol);
    return x;
}

}  // namespace

VESH_SETUP {
    dollsym_class = vesh::new_class(VESH_CLASS_NAME, dollsym_new, nullptr);
    vesh::add_bang(dollsym_class, dollsym_bang);
    vesh::add_symbol(dollsym_class, dollsym_symbol);
    vesh::add_anything(dollsym_class, dollsym_anything);
}
