// symbol2any: turns the text of a symbol into the message it reads as,
// split at spaces: a leading word becomes the selector, leading numbers a
// float or a list.
#include "vesh.hpp"
#include "atoms.hpp"
#include "split_text.hpp"

#include <cstring>

namespace {

struct t_symbol2any {
    t_object x_obj;
    t_symbol *last;  // null until a symbol arrives
    vesh::atom_buffer buffer;
    int sending;  // results going out from the buffer
    vesh::symbol_cache recent;
};

t_class *symbol2any_class;

constexpr int initial_capacity = 16;

void symbol2any_send(t_symbol2any *x, int n, t_atom *atoms) {
    if (n == 0) return;
    t_outlet *out = x->x_obj.ob_outlet;
    if (atoms[0].a_type == A_SYMBOL) {
        outlet_anything(out, atoms[0].a_w.w_symbol, n - 1, atoms + 1);
    } else if (n == 1) {
        outlet_float(out, atoms[0].a_w.w_float);
    } else {
        outlet_list(out, &s_list, n, atoms);
    }
}

void symbol2any_output(t_symbol2any *x, t_symbol *s) {
    if (!s || !*s->s_name) {
        outlet_bang(x->x_obj.ob_outlet);
        return;
    }
    vesh::text_copy copy(s);
    const std::size_t length = copy.length;
    char *text = copy.text();
    if (!text) {
        pd_error(x, "symbol2any: out of memory");
        return;
    }
    // A text of `length` bytes has at most `length` words: when the buffer
    // holds that many, counting them first is skipped.
    const bool nested = x->sending != 0;
    const bool fits = !nested && static_cast<long>(length) <= x->buffer.capacity;
    const long needed = fits ? 0 : vesh::split_text(x->recent, text, length, " ", nullptr);
    // A result still going out is never overwritten: a text that comes back
    // in meanwhile is split into memory of its own.
    vesh::Scratch<t_atom> own(nested ? needed : 0);
    if (!nested && needed > x->buffer.capacity &&
        !vesh::atom_buffer_renew(x->buffer, static_cast<int>(needed + 10))) {
        pd_error(x, "symbol2any: out of memory");
        return;
    }
    t_atom *atoms = nested ? own.get() : x->buffer.atoms;
    if (!atoms) {
        pd_error(x, "symbol2any: out of memory");
        return;
    }
    if (!nested) vesh::atom_buffer_use(x->buffer, static_cast<int>(needed ? needed : length));
    const int n = vesh::split_text(x->recent, text, length, " ", atoms);
    x->sending++;
    symbol2any_send(x, n, atoms);
    x->sending--;
}

void symbol2any_symbol(t_symbol2any *x, t_symbol *s) {
    x->last = s;
    symbol2any_output(x, s);
}

// The last text again: the same result, split anew.
void symbol2any_bang(t_symbol2any *x) {
    symbol2any_output(x, x->last);
}

void symbol2any_free(t_symbol2any *x) {
    vesh::atom_buffer_release(x->buffer);
}

t_symbol2any *symbol2any_new() {
    auto *x = vesh::new_object<t_symbol2any>(symbol2any_class);
    if (!vesh::atom_buffer_renew(x->buffer, initial_capacity)) {
        pd_error(nullptr, "symbol2any: out of memory");
        pd_free(&x->x_obj.ob_pd);
        return nullptr;
    }
    outlet_new(&x->x_obj, &s_anything);
    return x;
}

}  // namespace

VESH_SETUP {
    symbol2any_class = vesh::new_class(VESH_CLASS_NAME, symbol2any_new, symbol2any_free);
    vesh::add_symbol(symbol2any_class, symbol2any_symbol);
    vesh::add_bang(symbol2any_class, symbol2any_bang);
}
