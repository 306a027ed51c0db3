// args: the creation arguments of the abstraction (or patch) it lives in, or of
// one further out: sent on bang, whole or cut into messages at marker symbols,
// and replaced by a list, which then stands in the abstraction's box (and is
// saved with the parent patch).
#include "atoms.hpp"
#include "numbers.hpp"
#include "vesh.hpp"

#include <g_canvas.h>

namespace {

struct t_args {
    t_object x_obj;
    t_glist *canvas;  // the root canvas whose arguments these are
    vesh::atom_buffer copy;
    int count;
    int split;  // cut at markers: symbols starting with `separator`
    char separator;
};

t_class *args_class;

bool args_is_marker(const t_args *x, const t_atom &a) {
    return a.a_type == A_SYMBOL && a.a_w.w_symbol->s_name[0] == x->separator;
}

// Pieces end before each marker; the first piece is a list unless it starts
// with a marker itself, every later one a message named by its marker.
void args_send_pieces(t_args *x, int argc, t_atom *argv) {
    int start = 0;
    while (start < argc) {
        int end = start + 1;
        while (end < argc && !args_is_marker(x, argv[end])) end++;
        if (args_is_marker(x, argv[start])) {
            outlet_anything(x->x_obj.ob_outlet, argv[start].a_w.w_symbol, end - start - 1,
                            argv + start + 1);
        } else {
            outlet_anything(x->x_obj.ob_outlet, &s_list, end - start, argv + start);
        }
        start = end;
    }
}

void args_bang(t_args *x) {
    // Sent from a copy: a list that comes back while the pieces go out may
    // replace the stored arguments.
    const int argc = x->count;
    vesh::Scratch<t_atom> atoms(static_cast<std::size_t>(argc));
    if (argc > 0 && !atoms.get()) return;
    for (int i = 0; i < argc; i++) atoms.get()[i] = x->copy.atoms[i];
    if (!x->split) {
        outlet_list(x->x_obj.ob_outlet, &s_list, argc, atoms.get());
    } else if (argc == 0) {
        outlet_anything(x->x_obj.ob_outlet, &s_list, 0, nullptr);
    } else {
        args_send_pieces(x, argc, atoms.get());
    }
}

bool args_store(t_args *x, int argc, const t_atom *argv) {
    if (argc > x->copy.capacity && !vesh::atom_buffer_renew(x->copy, argc)) return false;
    for (int i = 0; i < argc; i++) x->copy.atoms[i] = argv[i];
    x->count = argc;
    return true;
}

// The box text becomes the abstraction's name and the new arguments. A patch
// opened on its own has no box text, and then nothing changes.
void args_list(t_args *x, t_symbol *, int argc, t_atom *argv) {
    t_binbuf *text = x->canvas->gl_obj.te_binbuf;
    if (!text || binbuf_getnatom(text) == 0) return;
    if (!args_store(x, argc, argv)) return;
    t_atom name = binbuf_getvec(text)[0];
    binbuf_clear(text);
    binbuf_add(text, 1, &name);
    binbuf_add(text, argc, argv);
}

// The canvas whose arguments are read: the root of this one, then `depth`
// roots further out as far as there are any.
t_glist *args_root(t_glist *canvas, int depth) {
    canvas = canvas_getrootfor(canvas);
    while (depth-- > 0 && canvas->gl_owner) canvas = canvas_getrootfor(canvas->gl_owner);
    return canvas;
}

t_args *args_new(t_symbol *, int argc, t_atom *argv) {
    auto *x = vesh::new_object<t_args>(args_class);
    int depth_at = 0;
    if (argc > 0 && argv[0].a_type == A_SYMBOL) {
        x->split = 1;
        x->separator = argv[0].a_w.w_symbol->s_name[0];
        depth_at = 1;
    }
    t_float depth = 0;
    if (argc > depth_at && argv[depth_at].a_type == A_FLOAT) depth = argv[depth_at].a_w.w_float;
    x->canvas = args_root(canvas_getcurrent(), vesh::to_count(depth, 0, 1000000));

    int count = 0;
    t_atom *atoms = nullptr;
    canvas_setcurrent(x->canvas);
    canvas_getargs(&count, &atoms);
    canvas_unsetcurrent(x->canvas);
    args_store(x, count, atoms);
    outlet_new(&x->x_obj, &s_anything);
    return x;
}

void args_free(t_args *x) {
    vesh::atom_buffer_release(x->copy);
}

}  // namespace

VESH_SETUP {
    args_class = vesh::new_class(VESH_CLASS_NAME, args_new, args_free);
    vesh::add_bang(args_class, args_bang);
    vesh::add_list(args_class, args_list);
}
