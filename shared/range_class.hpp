// The message classes that bring a value into a range between two bounds
// (fold, wrap2): one record, creator and set of methods, instantiated with the
// class's shaping routine from range_kernel.hpp.
#pragma once

#include "vesh.hpp"
#include "float_list.hpp"
#include "range_kernel.hpp"

namespace vesh::range_messages {

struct t_range {
    t_object x_obj;
    t_float lower;  // the bounds as given; either may be the larger
    t_float upper;
    t_float last;  // the last input
};

inline t_class *range_class;

template <float (*Shape)(float, float, float)>
float shaped(const t_range *x, t_float value) {
    return Shape(static_cast<float>(value), static_cast<float>(x->lower),
                 static_cast<float>(x->upper));
}

template <float (*Shape)(float, float, float)>
void range_float(t_range *x, t_floatarg f) {
    x->last = f;
    outlet_float(x->x_obj.ob_outlet, shaped<Shape>(x, f));
}

template <float (*Shape)(float, float, float)>
void range_bang(t_range *x) {
    outlet_float(x->x_obj.ob_outlet, shaped<Shape>(x, x->last));
}

inline void range_set(t_range *x, t_floatarg f) {
    x->last = f;
}

template <float (*Shape)(float, float, float)>
void range_list(t_range *x, t_symbol *, int argc, t_atom *argv) {
    const float lo = static_cast<float>(x->lower), hi = static_cast<float>(x->upper);
    auto shape = [lo, hi](t_float v) { return Shape(static_cast<float>(v), lo, hi); };
    convert_list(&x->x_obj, argc, argv, shape);
}

// No arguments: 0 and 1; one float: the upper bound; two: lower and upper.
inline t_range *range_new(t_symbol *, int argc, t_atom *argv) {
    if (argc > 2 || !all_floats(argc, argv)) {
        pd_error(nullptr, "%s: improper args", VESH_CLASS_NAME);
        return nullptr;
    }
    auto *x = new_object<t_range>(range_class);
    x->upper = 1;
    if (argc == 1) x->upper = argv[0].a_w.w_float;
    if (argc == 2) {
        x->lower = argv[0].a_w.w_float;
        x->upper = argv[1].a_w.w_float;
    }
    float_inlet(&x->x_obj, &x->lower);
    float_inlet(&x->x_obj, &x->upper);
    outlet_new(&x->x_obj, &s_anything);
    return x;
}

template <float (*Shape)(float, float, float)>
void setup() {
    range_class = new_class(VESH_CLASS_NAME, range_new, nullptr);
    add_float(range_class, range_float<Shape>);
    add_bang(range_class, range_bang<Shape>);
    add_list(range_class, range_list<Shape>);
    add_method_defaults(range_class, "set", range_set);
}

}  // namespace vesh::range_messages
