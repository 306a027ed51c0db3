// separate: splits a symbol's text into a list of atoms, at every occurrence of
// the separator text, or into single (UTF-8) characters when there is none.
// Pieces that the host would read as a number become floats.
#include "vesh.hpp"
#include "atoms.hpp"
#include "split_text.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct t_separate {
    t_object x_obj;
    t_symbol *separator;  // null: split into characters
    vesh::atom_buffer buffer;
    int count;    // atoms of the last result
    int sending;  // set while the last result is going out
    vesh::symbol_cache recent;
};

t_class *separate_class;

constexpr int initial_capacity = 16;

bool is_continuation(unsigned char c) {
    return c >= 0x80 && c <= 0xBF;
}

int separate_by_text(t_separate *x, char *text, std::size_t length, t_atom *out) {
    return vesh::split_text(x->recent, text, length, x->separator->s_name, out);
}

// One atom per character: a lead byte with the continuation bytes after it.
// Stray continuation bytes at the very start stay together as one atom.
int separate_by_character(t_separate *x, char *text, std::size_t length, t_atom *out) {
    int n = 0;
    for (std::size_t begin = 0; begin < length;) {
        std::size_t end = begin + 1;
        while (end < length && is_continuation(static_cast<unsigned char>(text[end]))) end++;
        vesh::append_word(x->recent, text + begin, end - begin, out, n);
        begin = end;
    }
    return n;
}

void separate_symbol(t_separate *x, t_symbol *s) {
    if (!*s->s_name) {
        x->count = 0;
        outlet_bang(x->x_obj.ob_outlet);
        return;
    }
    vesh::text_copy copy(s);
    const std::size_t length = copy.length;
    char *text = copy.text();
    if (!text) {
        pd_error(x, "separate: out of memory");
        return;
    }

    // Atoms needed, and the capacity the object's buffer grows to for them.
    // A text of `length` bytes splits into at most `length` pieces, so when
    // the buffer holds that many the count cannot make it grow and is skipped.
    long needed, grow_to;
    if (x->separator) {
        const bool fits = !x->sending && static_cast<long>(length) <= x->buffer.capacity;
        needed = fits ? 0 : separate_by_text(x, text, length, nullptr);
        grow_to = needed + 10;
    } else {
        needed = static_cast<long>(length);
        grow_to = needed + 10;
    }

    // A result still being sent (a receiver sent a symbol back here) must not
    // be overwritten: such a nested message gets a buffer of its own.
    vesh::Scratch<t_atom> nested(x->sending ? needed : 0);
    t_atom *atoms;
    if (x->sending) {
        atoms = nested.get();
    } else {
        if (needed > x->buffer.capacity &&
            !vesh::atom_buffer_renew(x->buffer, static_cast<int>(grow_to))) {
            pd_error(x, "separate: out of memory");
            return;
        }
        atoms = x->buffer.atoms;
        vesh::atom_buffer_use(x->buffer, static_cast<int>(needed ? needed : length));
    }
    if (!atoms) {
        pd_error(x, "separate: out of memory");
        return;
    }

    int n = x->separator ? separate_by_text(x, text, length, atoms)
                         : separate_by_character(x, text, length, atoms);
    if (x->sending) {
        if (n) outlet_list(x->x_obj.ob_outlet, &s_list, n, atoms);
        return;
    }
    x->count = n;
    if (n) {
        x->sending = 1;
        outlet_list(x->x_obj.ob_outlet, &s_list, n, atoms);
        x->sending = 0;
    }
}

// An empty separator would match everywhere; it means "no separator", as
// "empty" does.
t_symbol *separate_choose(t_symbol *s) {
    return (!*s->s_name || s == gensym("empty")) ? nullptr : s;
}

void separate_set(t_separate *x, t_symbol *s) {
    x->separator = separate_choose(s);
}

void separate_free(t_separate *x) {
    vesh::atom_buffer_release(x->buffer);
}

t_separate *separate_new(t_symbol *, int argc, t_atom *argv) {
    t_symbol *separator = gensym(" ");
    if (argc > 0) {
        if (argv[0].a_type == A_FLOAT) {
            char text[64];
            std::snprintf(text, sizeof text, "%g", argv[0].a_w.w_float);
            separator = gensym(text);
        } else if (argv[0].a_type == A_SYMBOL) {
            separator = argv[0].a_w.w_symbol;
        }
    }
    auto *x = vesh::new_object<t_separate>(separate_class);
    separate_set(x, separator);
    if (!vesh::atom_buffer_renew(x->buffer, initial_capacity)) {
        pd_error(nullptr, "separate: out of memory");
        pd_free(&x->x_obj.ob_pd);
        return nullptr;
    }
    inlet_new(&x->x_obj, &x->x_obj.ob_pd, &s_symbol, &s_);
    outlet_new(&x->x_obj, nullptr);
    return x;
}

}  // namespace

VESH_SETUP {
    separate_class = vesh::new_class(VESH_CLASS_NAME, separate_new, separate_free);
    vesh::add_symbol(separate_class, separate_symbol);
    vesh::add_method(separate_class, "", separate_set);
}
