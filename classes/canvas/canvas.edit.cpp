// canvas.edit: reports the edit mode of a patch window, at load, on bang and
// whenever the editor switches it (placing an object switches it on).
#include "vesh.hpp"
#include "window_proxy.hpp"

namespace {

struct t_canvas_edit {
    t_object x_obj;
    vesh::t_window_proxy *proxy;
    t_glist *canvas;
    int edit;  // last reported state
};

t_class *canvas_edit_class;

// Selectors by which the editor places something; each turns edit mode on.
t_symbol *placing[15];

void canvas_edit_window(vesh::t_window_proxy *p, t_symbol *s, int argc, t_atom *argv) {
    auto *x = static_cast<t_canvas_edit *>(p->owner);
    if (s == gensym("editmode")) {
        if (argc < 1) return;
        int edit = vesh::integer_part(atom_getfloat(argv));
        if (edit != x->edit) {
            x->edit = edit;
            outlet_float(x->x_obj.ob_outlet, edit);
        }
        return;
    }
    for (t_symbol *sel : placing) {
        if (s == sel) {
            if (x->edit == 0) {
                x->edit = 1;
                outlet_float(x->x_obj.ob_outlet, 1);
            }
            return;
        }
    }
}

void canvas_edit_bang(t_canvas_edit *x) {
    x->edit = x->canvas->gl_edit;
    outlet_float(x->x_obj.ob_outlet, x->edit);
}

void canvas_edit_loadbang(t_canvas_edit *x, t_floatarg action) {
    if (action == 0) canvas_edit_bang(x);
}

t_canvas_edit *canvas_edit_new(t_floatarg depth) {
    t_glist *canvas = vesh::canvas_walk_up(canvas_getcurrent(), vesh::canvas_depth(depth));
    auto *x = vesh::new_object<t_canvas_edit>(canvas_edit_class);
    x->canvas = canvas;
    outlet_new(&x->x_obj, &s_float);
    x->proxy = vesh::window_proxy_new(canvas, x, canvas_edit_window);
    return x;
}

void canvas_edit_free(t_canvas_edit *x) {
    vesh::window_proxy_release(x->proxy);
}

}  // namespace

VESH_SETUP {
    vesh::window_proxy_setup();
    const char *names[] = {"obj",    "msg",    "floatatom", "symbolatom", "text",
                           "bng",    "toggle", "numbox",    "vslider",    "hslider",
                           "vradio", "hradio", "vumeter",   "mycnv",      "selectall"};
    for (int i = 0; i < 15; i++) placing[i] = gensym(names[i]);
    canvas_edit_class =
        vesh::new_class<t_canvas_edit>(VESH_CLASS_NAME, canvas_edit_new, canvas_edit_free);
    vesh::add_bang(canvas_edit_class, canvas_edit_bang);
    vesh::add_method_defaults(canvas_edit_class, "loadbang", canvas_edit_loadbang);
}
