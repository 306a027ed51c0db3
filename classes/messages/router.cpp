// router: sends every message, unchanged, out of the outlet chosen on the
// right inlet (0 = leftmost); an index outside the outlets drops it.
#include "vesh.hpp"
#include "atoms.hpp"

namespace {

struct t_router {
    t_object x_obj;
    int count;
    t_outlet **outlets;
    t_float index;
};

t_class *router_class;

t_outlet *router_target(t_router *x) {
    int i = vesh::to_index(x->index);
    return i >= 0 && i < x->count ? x->outlets[i] : nullptr;
}

void router_bang(t_router *x) {
    if (t_outlet *out = router_target(x)) outlet_bang(out);
}
void router_float(t_router *x, t_floatarg f) {
    if (t_outlet *out = router_target(x)) outlet_float(out, f);
}
void router_symbol(t_router *x, t_symbol *s) {
    if (t_outlet *out = router_target(x)) outlet_symbol(out, s);
}
void router_pointer(t_router *x, t_gpointer *p) {
    if (t_outlet *out = router_target(x)) outlet_pointer(out, p);
}
void router_list(t_router *x, t_symbol *, int argc, t_atom *argv) {
    if (t_outlet *out = router_target(x)) outlet_list(out, &s_list, argc, argv);
}
void router_anything(t_router *x, t_symbol *s, int argc, t_atom *argv) {
    if (t_outlet *out = router_target(x)) outlet_anything(out, s, argc, argv);
}

void router_free(t_router *x) {
    if (x->outlets) freebytes(x->outlets, x->count * sizeof(t_outlet *));
}

t_router *router_new(t_floatarg count, t_floatarg index) {
    auto *x = vesh::new_object<t_router>(router_class);
    x->count = vesh::to_count(count, 2, 512);
    x->index = index;
    x->outlets = static_cast<t_outlet **>(getbytes(x->count * sizeof(t_outlet *)));
    if (!x->outlets) {
        pd_free(&x->x_obj.ob_pd);
        return nullptr;
    }
    vesh::float_inlet(&x->x_obj, &x->index);
    for (int i = 0; i < x->count; i++) x->outlets[i] = outlet_new(&x->x_obj, &s_anything);
    return x;
}

}  // namespace

VESH_SETUP {
    router_class = vesh::new_class<t_router>(VESH_CLASS_NAME, router_new, router_free);
    vesh::add_bang(router_class, router_bang);
    vesh::add_float(router_class, router_float);
    vesh::add_symbol(router_class, router_symbol);
    vesh::add_list(router_class, router_list);
    vesh::add_pointer(router_class, router_pointer);
    vesh::add_anything(router_class, router_anything);
}
