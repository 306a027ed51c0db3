// slice: cuts a list in two at a position. A positive position counts atoms
// from the start, a negative one from the end; the right part goes out first.
#include "vesh.hpp"
#include "atoms.hpp"

namespace {

struct t_slice {
    t_object x_obj;
    t_float position;
    t_outlet *right;
};

t_class *slice_class;

void slice_list(t_slice *x, t_symbol *s, int argc, t_atom *argv) {
    // The host may hand a list over without its selector.
    if (!s) s = &s_list;
    t_outlet *left = x->x_obj.ob_outlet;
    int k = vesh::to_index(x->position);
    int cut;  // atoms that go left
    if (k >= 0) {
        if (k == 0 || k >= argc) {
            outlet_anything(left, s, argc, argv);
            return;
        }
        cut = k;
    } else {
        if (-k >= argc) {
            outlet_anything(x->right, s, argc, argv);
            return;
        }
        cut = argc + k;
    }
    outlet_anything(x->right, s, argc - cut, argv + cut);
    outlet_anything(left, s, cut, argv);
}

void slice_float(t_slice *x, t_floatarg f) {
    outlet_float(vesh::to_index(x->position) < 0 ? x->right : x->x_obj.ob_outlet, f);
}

void slice_symbol(t_slice *x, t_symbol *s) {
    outlet_symbol(vesh::to_index(x->position) < 0 ? x->right : x->x_obj.ob_outlet, s);
}

t_slice *slice_new(t_floatarg position) {
    auto *x = vesh::new_object<t_slice>(slice_class);
    x->position = position;
    vesh::float_inlet(&x->x_obj, &x->position);
    outlet_new(&x->x_obj, &s_list);
    x->right = outlet_new(&x->x_obj, &s_list);
    return x;
}

}  // namespace

VESH_SETUP {
    slice_class = vesh::new_class<t_slice>(VESH_CLASS_NAME, slice_new, nullptr);
    vesh::add_list(slice_class, slice_list);
    vesh::add_float(slice_class, slice_float);
    vesh::add_symbol(slice_class, slice_symbol);
}
