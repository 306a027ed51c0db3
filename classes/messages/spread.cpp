// spread: sends a float out of the outlet of the range it falls in. Outlet 0
// takes what lies below the first split point, outlet i what lies below split
// point i (the first such point wins; points keep the order given), and the
// last outlet the rest.
#include "vesh.hpp"

namespace {

struct t_spread {
    t_object x_obj;
    int count;  // split points
    t_float *points;
    t_outlet **outlets;  // count + 1
};

t_class *spread_class;

void spread_float(t_spread *x, t_floatarg f) {
    int i = 0;
    while (i < x->count && !(f < x->points[i])) i++;
    outlet_float(x->outlets[i], f);
}

void spread_free(t_spread *x) {
    if (x->points) freebytes(x->points, x->count * sizeof(t_float));
    if (x->outlets) freebytes(x->outlets, (x->count + 1) * sizeof(t_outlet *));
}

t_spread *spread_new(t_symbol *, int argc, t_atom *argv) {
    for (int i = 0; i < argc; i++) {
        if (argv[i].a_type != A_FLOAT) {
            return vesh::improper_args<t_spread>("[spread]: takes only floats as arguments");
        }
    }
    auto *x = vesh::new_object<t_spread>(spread_class);
    x->count = argc > 0 ? argc : 1;
    x->points = static_cast<t_float *>(getbytes(x->count * sizeof(t_float)));
    x->outlets = static_cast<t_outlet **>(getbytes((x->count + 1) * sizeof(t_outlet *)));
    if (!x->points || !x->outlets) {
        pd_error(nullptr, "spread: out of memory");
        pd_free(&x->x_obj.ob_pd);
        return nullptr;
    }
    for (int i = 0; i < argc; i++) x->points[i] = argv[i].a_w.w_float;
    for (int i = 0; i <= x->count; i++) x->outlets[i] = outlet_new(&x->x_obj, &s_anything);
    return x;
}

}  // namespace

VESH_SETUP {
    spread_class = vesh::new_class(VESH_CLASS_NAME, spread_new, spread_free);
    vesh::add_float(spread_class, spread_float);
}
