// changed: passes a message on the left only when it differs from the last
// one; a repeat goes out on the right. The right inlet sets the message to
// compare with, silently.
#include "vesh.hpp"
#include "atoms.hpp"

namespace {

struct t_changed;

struct t_changed_proxy {
    t_pd pd;
    t_changed *owner;
};

struct t_changed {
    t_object x_obj;
    t_changed_proxy proxy;  // the right inlet
    t_outlet *repeats;
    t_symbol *selector;  // the stored message
    int count;
    vesh::atom_buffer atoms;  // grows to the longest message stored
    int sending;              // outputs on the left in progress
};

t_class *changed_class;
t_class *changed_proxy_class;

constexpr int initial_capacity = 16;

// Floats by value, symbols by identity; other atoms count as the same.
bool changed_same_atom(const t_atom &a, const t_atom &b) {
    if (a.a_type != b.a_type) return false;
    if (a.a_type == A_FLOAT) return a.a_w.w_float == b.a_w.w_float;
    if (a.a_type == A_SYMBOL) return a.a_w.w_symbol == b.a_w.w_symbol;
    return true;
}

bool changed_same(const t_changed *x, t_symbol *s, int argc, const t_atom *argv) {
    if (s != x->selector || argc != x->count) return false;
    for (int i = 0; i < argc; i++) {
        if (!changed_same_atom(argv[i], x->atoms.atoms[i])) return false;
    }
    return true;
}

void changed_store(t_changed *x, t_symbol *s, int argc, const t_atom *argv) {
    if (!vesh::atom_buffer_store(x->atoms, argc, argv)) {
        pd_error(x, "changed: out of memory, message of %d atoms not stored", argc);
        return;
    }
    x->selector = s;
    x->count = argc;
}

// The message goes out from the sender's own atoms, never from the store, so
// that a message coming back in meanwhile may replace the store freely.
void changed_anything(t_changed *x, t_symbol *s, int argc, t_atom *argv) {
    if (x->sending || !changed_same(x, s, argc, argv)) {
        x->sending++;
        changed_store(x, s, argc, argv);
        outlet_anything(x->x_obj.ob_outlet, s, argc, argv);
        x->sending--;
    } else {
        outlet_anything(x->repeats, s, argc, argv);
    }
}

// The stored message, sent from a copy for the same reason.
void changed_bang(t_changed *x) {
    vesh::Scratch<t_atom> copy(x->count);
    if (!copy.get()) {
        pd_error(x, "changed: out of memory");
        return;
    }
    for (int i = 0; i < x->count; i++) copy.get()[i] = x->atoms.atoms[i];
    outlet_anything(x->x_obj.ob_outlet, x->selector, x->count, copy.get());
}

void changed_proxy_anything(t_changed_proxy *p, t_symbol *s, int argc, t_atom *argv) {
    changed_store(p->owner, s, argc, argv);
}

void changed_free(t_changed *x) {
    vesh::atom_buffer_release(x->atoms);
}

// No atoms: the empty selector; one float: "float" with it; one symbol: that
// selector alone; more: read as a message.
t_changed *changed_new(t_symbol *, int argc, t_atom *argv) {
    auto *x = vesh::new_object<t_changed>(changed_class);
    if (!vesh::atom_buffer_renew(x->atoms, argc > initial_capacity ? argc : initial_capacity)) {
        pd_error(nullptr, "changed: out of memory");
        pd_free(&x->x_obj.ob_pd);
        return nullptr;
    }
    x->selector = &s_;
    if (argc == 1 && argv[0].a_type == A_FLOAT) {
        changed_store(x, &s_float, 1, argv);
    } else if (argc > 0) {
        const vesh::atom_message m = vesh::read_message(argc, argv);
        changed_store(x, m.selector, m.argc, m.argv);
    }
    x->proxy.pd = changed_proxy_class;
    x->proxy.owner = x;
    vesh::proxy_inlet(&x->x_obj, &x->proxy.pd);
    outlet_new(&x->x_obj, &s_anything);
    x->repeats = outlet_new(&x->x_obj, &s_anything);
    return x;
}

}  // namespace

VESH_SETUP {
    changed_class = vesh::new_class(VESH_CLASS_NAME, changed_new, changed_free);
    vesh::add_bang(changed_class, changed_bang);
    vesh::add_anything(changed_class, changed_anything);

    changed_proxy_class = vesh::new_proxy_class<t_changed_proxy>("changed proxy", CLASS_DEFAULT);
    vesh::add_anything(changed_proxy_class, changed_proxy_anything);
}
