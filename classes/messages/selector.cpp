// selector: n data inlets and one outlet; only the inlet chosen on the
// rightmost (control) inlet passes its messages, unchanged. Selection 0 opens
// the leftmost inlet; a selection outside the data inlets closes them all.
#include "vesh.hpp"
#include "atoms.hpp"

namespace {

struct t_selector;

// The receiver behind every inlet but the leftmost: data inlets 2..n and the
// control inlet n + 1.
struct t_selector_proxy {
    t_pd pd;
    t_selector *owner;
    int number;
    int count;
};

struct t_selector {
    t_object x_obj;
    int count;                   // data inlets
    t_selector_proxy **proxies;  // count of them: data inlets 2..n, then control
    int active;                  // 1 = leftmost inlet
};

t_class *selector_class;
t_class *selector_proxy_class;

void selector_float(t_selector *x, t_floatarg f) {
    if (x->active == 1) outlet_float(x->x_obj.ob_outlet, f);
}

void selector_anything(t_selector *x, t_symbol *s, int argc, t_atom *argv) {
    if (x->active == 1) outlet_anything(x->x_obj.ob_outlet, s, argc, argv);
}

void selector_proxy_float(t_selector_proxy *p, t_floatarg f) {
    t_selector *x = p->owner;
    if (p->number == p->count + 1) {
        // +1 after saturating, so even the extremes stay inside an int.
        x->active = vesh::to_index(f) + 1;
    } else if (x->active == p->number) {
        outlet_float(x->x_obj.ob_outlet, f);
    }
}

void selector_proxy_anything(t_selector_proxy *p, t_symbol *s, int argc, t_atom *argv) {
    t_selector *x = p->owner;
    // Anything but a float at the control inlet is ignored.
    if (p->number <= p->count && x->active == p->number) {
        outlet_anything(x->x_obj.ob_outlet, s, argc, argv);
    }
}

// The proxies are kept as a table of pointers.
size_t proxy_table_bytes(int count) {
    return count * sizeof(t_selector_proxy *);  // NOLINT(bugprone-sizeof-expression)
}

void selector_free(t_selector *x) {
    if (!x->proxies) return;
    for (int i = x->count - 1; i >= 0; i--) {
        if (x->proxies[i]) pd_free(&x->proxies[i]->pd);
    }
    freebytes(x->proxies, proxy_table_bytes(x->count));
}

t_selector *selector_new(t_floatarg count, t_floatarg selection) {
    auto *x = vesh::new_object<t_selector>(selector_class);
    x->count = vesh::to_count(count, 2, 512);
    x->active = vesh::to_index(selection) + 1;
    x->proxies = static_cast<t_selector_proxy **>(getbytes(proxy_table_bytes(x->count)));
    if (!x->proxies) {
        pd_free(&x->x_obj.ob_pd);
        return nullptr;
    }
    for (int i = 0; i < x->count; i++) {
        auto *p = reinterpret_cast<t_selector_proxy *>(pd_new(selector_proxy_class));
        p->owner = x;
        p->number = i + 2;
        p->count = x->count;
        x->proxies[i] = p;
        vesh::proxy_inlet(&x->x_obj, &p->pd);
    }
    outlet_new(&x->x_obj, &s_anything);
    return x;
}

}  // namespace

VESH_SETUP {
    selector_class = vesh::new_class<t_selector>(VESH_CLASS_NAME, selector_new, selector_free);
    vesh::add_float(selector_class, selector_float);
    vesh::add_anything(selector_class, selector_anything);

    selector_proxy_class = vesh::new_proxy_class<t_selector_proxy>("_selector_proxy");
    vesh::add_float(selector_proxy_class, selector_proxy_float);
    vesh::add_anything(selector_proxy_class, selector_proxy_anything);
}
