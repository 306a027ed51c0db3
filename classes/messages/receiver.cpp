// receiver: sends on every message sent to one or two names; the names can be
// changed, reported and dropped through the inlet.
#include "vesh.hpp"

namespace {

struct t_receiver;

// The inlet's receiver: the object itself is bound to the names and takes
// their messages, so the inlet needs a receiver of its own.
struct t_receiver_proxy {
    t_pd pd;
    t_receiver *owner;
};

struct t_receiver {
    t_object x_obj;
    t_symbol *name1;  // &s_ when unset
    t_symbol *name2;
    int bound;
    t_receiver_proxy proxy;
};

t_class *receiver_class;
t_class *receiver_proxy_class;

// ---- What arrives through the names --------------------------------------

void receiver_bang(t_receiver *x) {
    outlet_bang(x->x_obj.ob_outlet);
}

void receiver_float(t_receiver *x, t_floatarg f) {
    outlet_float(x->x_obj.ob_outlet, f);
}

void receiver_symbol(t_receiver *x, t_symbol *s) {
    outlet_symbol(x->x_obj.ob_outlet, s);
}

void receiver_pointer(t_receiver *x, t_gpointer *p) {
    outlet_pointer(x->x_obj.ob_outlet, p);
}

void receiver_list(t_receiver *x, t_symbol *s, int argc, t_atom *argv) {
    outlet_list(x->x_obj.ob_outlet, s, argc, argv);
}

void receiver_anything(t_receiver *x, t_symbol *s, int argc, t_atom *argv) {
    outlet_anything(x->x_obj.ob_outlet, s, argc, argv);
}

// ---- Names ----------------------------------------------------------------

void receiver_unbind(t_receiver *x) {
    if (!x->bound) return;
    if (x->name1 != &s_) pd_unbind(&x->x_obj.ob_pd, x->name1);
    if (x->name2 != &s_) pd_unbind(&x->x_obj.ob_pd, x->name2);
}

// The first name alone, replacing both.
void receiver_bind_first(t_receiver *x, t_symbol *s) {
    receiver_unbind(x);
    x->name2 = &s_;
    x->name1 = s;
    pd_bind(&x->x_obj.ob_pd, s);
    x->bound = 1;
}

void receiver_bind_second(t_receiver *x, t_symbol *s) {
    x->name2 = s;
    pd_bind(&x->x_obj.ob_pd, s);
    x->bound = 1;
}

// ---- The inlet --------------------------------------------------------------

void receiver_set_symbol(t_receiver_proxy *p, t_symbol *s) {
    if (s != &s_) receiver_bind_first(p->owner, s);
}

void receiver_set_list(t_receiver_proxy *p, t_symbol *, int argc, t_atom *argv) {
    t_receiver *x = p->owner;
    if (argc > 2) {
        pd_error(x, "[receiver]: too many name arguments");
        return;
    }
    for (int i = 0; i < argc; i++) {
        if (argv[i].a_type != A_SYMBOL) {
            pd_error(x, "[receiver]: can't take float as a name argument");
            return;
        }
        t_symbol *s = argv[i].a_w.w_symbol;
        if (s == &s_) {
            pd_error(
                x, i == 0 ? "[receiver]: invalid symbol name" : "[receiver]: invalid name symbol");
            return;
        }
        if (i == 0) {
            receiver_bind_first(x, s);
        } else {
            receiver_bind_second(x, s);
        }
    }
}

void receiver_report(t_receiver_proxy *p) {
    t_receiver *x = p->owner;
    if (x->name1 == &s_ && x->name2 == &s_) return;
    if (x->name2 == &s_) {
        outlet_symbol(x->x_obj.ob_outlet, x->name1);
        return;
    }
    t_atom names[2];
    SETSYMBOL(&names[0], x->name1);
    SETSYMBOL(&names[1], x->name2);
    outlet_list(x->x_obj.ob_outlet, &s_list, 2, names);
}

void receiver_clear(t_receiver_proxy *p) {
    t_receiver *x = p->owner;
    receiver_unbind(x);
    x->name1 = x->name2 = &s_;
    x->bound = 0;
}

// ---- Life -------------------------------------------------------------------

t_receiver *receiver_new(t_symbol *, int argc, t_atom *argv) {
    if (argc > 2) return vesh::improper_args<t_receiver>("[receiver]: too many arguments");
    for (int i = 0; i < argc; i++) {
        if (argv[i].a_type != A_SYMBOL)
            return vesh::improper_args<t_receiver>("[receiver]: can't take float as an argument");
        if (argv[i].a_w.w_symbol == &s_)
            return vesh::improper_args<t_receiver>("[receiver]: invalid symbol");
    }
    auto *x = vesh::new_object<t_receiver>(receiver_class);
    x->name1 = x->name2 = &s_;
    x->proxy.pd = receiver_proxy_class;
    x->proxy.owner = x;
    if (argc > 0) receiver_bind_first(x, argv[0].a_w.w_symbol);
    if (argc > 1) receiver_bind_second(x, argv[1].a_w.w_symbol);
    vesh::proxy_inlet(&x->x_obj, &x->proxy.pd);
    outlet_new(&x->x_obj, &s_anything);
    return x;
}

void receiver_free(t_receiver *x) {
    receiver_unbind(x);
}

}  // namespace

VESH_SETUP {
    receiver_class = vesh::new_class(VESH_CLASS_NAME, receiver_new, receiver_free, CLASS_NOINLET);
    vesh::add_bang(receiver_class, receiver_bang);
    vesh::add_float(receiver_class, receiver_float);
    vesh::add_symbol(receiver_class, receiver_symbol);
    vesh::add_pointer(receiver_class, receiver_pointer);
    vesh::add_list(receiver_class, receiver_list);
    vesh::add_anything(receiver_class, receiver_anything);

    receiver_proxy_class = vesh::new_proxy_class<t_receiver_proxy>("receiver proxy");
    vesh::add_symbol(receiver_proxy_class, receiver_set_symbol);
    vesh::add_list(receiver_proxy_class, receiver_set_list);
    vesh::add_bang(receiver_proxy_class, receiver_report);
    vesh::add_method(receiver_proxy_class, "clear", receiver_clear);
}
