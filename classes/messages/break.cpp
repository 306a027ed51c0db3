// break: cuts a message before every marker, a symbol beginning with the
// separator text, and sends the pieces left to right: each marker becomes the
// selector of the atoms that follow it. Without a separator messages pass.
#include "vesh.hpp"

#include <cstring>

namespace {

struct t_break {
    t_object x_obj;
    t_symbol *separator;  // null: no separator
    std::size_t length;   // bytes of the separator
};

t_class *break_class;

bool break_is_marker(const t_break *x, const t_atom &a) {
    return a.a_type == A_SYMBOL &&
           !std::strncmp(a.a_w.w_symbol->s_name, x->separator->s_name, x->length);
}

void break_bang(t_break *x) {
    outlet_bang(x->x_obj.ob_outlet);
}

void break_float(t_break *x, t_floatarg f) {
    outlet_float(x->x_obj.ob_outlet, f);
}

void break_symbol(t_break *x, t_symbol *s) {
    t_atom a;
    SETSYMBOL(&a, s);
    if (x->separator && break_is_marker(x, a)) {
        outlet_anything(x->x_obj.ob_outlet, s, 0, nullptr);
    } else {
        outlet_symbol(x->x_obj.ob_outlet, s);
    }
}

void break_anything(t_break *x, t_symbol *s, int argc, t_atom *argv) {
    t_outlet *out = x->x_obj.ob_outlet;
    // The host may hand a list over without its selector.
    if (!s) s = &s_list;
    if (!x->separator || argc == 0) {
        outlet_anything(out, s, argc, argv);
        return;
    }
    int first = 0;
    while (first < argc && !break_is_marker(x, argv[first])) first++;
    // A list has no selector of its own to carry an empty first piece.
    if (first > 0 || s != &s_list) outlet_anything(out, s, first, argv);
    // The pieces are slices of the incoming atoms, so nothing is copied and
    // any length works.
    for (int at = first; at < argc;) {
        int end = at + 1;
        while (end < argc && !break_is_marker(x, argv[end])) end++;
        outlet_anything(out, argv[at].a_w.w_symbol, end - at - 1, argv + at + 1);
        at = end;
    }
}

t_break *break_new(t_symbol *separator) {
    auto *x = vesh::new_object<t_break>(break_class);
    if (separator && *separator->s_name) {
        x->separator = separator;
        x->length = std::strlen(separator->s_name);
    }
    outlet_new(&x->x_obj, &s_anything);
    return x;
}

}  // namespace

VESH_SETUP {
    break_class = vesh::new_class<t_break>(VESH_CLASS_NAME, break_new, nullptr);
    vesh::add_bang(break_class, break_bang);
    vesh::add_float(break_class, break_float);
    vesh::add_symbol(break_class, break_symbol);
    vesh::add_list(break_class, break_anything);
    vesh::add_anything(break_class, break_anything);
}
