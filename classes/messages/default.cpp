// default: a bang sends the default message (or a bang when there is none);
// every other message passes unchanged. The right inlet sets the default.
#include "vesh.hpp"
#include "atoms.hpp"

namespace {

struct t_default;

struct t_default_proxy {
    t_pd pd;
    t_default *owner;
};

struct t_default {
    t_object x_obj;
    t_default_proxy proxy;  // the right inlet
    t_symbol *selector;     // null: no default message
    int count;
    t_atom *atoms;
};

t_class *default_class;
t_class *default_proxy_class;

void default_release(t_default *x) {
    if (x->atoms) freebytes(x->atoms, static_cast<std::size_t>(x->count) * sizeof(t_atom));
    x->atoms = nullptr;
    x->count = 0;
}

// A fresh copy replaces the old one, which is released only once the copy is
// made: the old default stays when there is no memory.
void default_set(t_default *x, t_symbol *s, int argc, const t_atom *argv) {
    t_atom *copy = nullptr;
    if (argc > 0) {
        copy = static_cast<t_atom *>(getbytes(static_cast<std::size_t>(argc) * sizeof(t_atom)));
        if (!copy) {
            pd_error(x, "default: out of memory");
            return;
        }
        for (int i = 0; i < argc; i++) copy[i] = argv[i];
    }
    default_release(x);
    x->selector = s;
    x->count = argc;
    x->atoms = copy;
}

// Sent from a copy: a receiver may set a new default (and release the old
// one) while this one is still going out.
void default_bang(t_default *x) {
    if (!x->selector) {
        outlet_bang(x->x_obj.ob_outlet);
        return;
    }
    vesh::Scratch<t_atom> copy(x->count);
    if (!copy.get()) {
        pd_error(x, "default: out of memory");
        return;
    }
    for (int i = 0; i < x->count; i++) copy.get()[i] = x->atoms[i];
    outlet_anything(x->x_obj.ob_outlet, x->selector, x->count, copy.get());
}

void default_anything(t_default *x, t_symbol *s, int argc, t_atom *argv) {
    outlet_anything(x->x_obj.ob_outlet, s, argc, argv);
}

void default_proxy_anything(t_default_proxy *p, t_symbol *s, int argc, t_atom *argv) {
    default_set(p->owner, s, argc, argv);
}

void default_free(t_default *x) {
    default_release(x);
}

t_default *default_new(t_symbol *, int argc, t_atom *argv) {
    auto *x = vesh::new_object<t_default>(default_class);
    if (argc > 0) {
        const vesh::atom_message m = vesh::read_message(argc, argv);
        default_set(x, m.selector, m.argc, m.argv);
    }
    x->proxy.pd = default_proxy_class;
    x->proxy.owner = x;
    vesh::proxy_inlet(&x->x_obj, &x->proxy.pd);
    outlet_new(&x->x_obj, &s_anything);
    return x;
}

}  // namespace

VESH_SETUP {
    default_class = vesh::new_class(VESH_CLASS_NAME, default_new, default_free);
    vesh::add_bang(default_class, default_bang);
    vesh::add_anything(default_class, default_anything);

    default_proxy_class = vesh::new_proxy_class<t_default_proxy>("default proxy", CLASS_DEFAULT);
    vesh::add_anything(default_proxy_class, default_proxy_anything);
}
