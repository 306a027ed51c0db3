// The classes of the unit conversions and the rounding functions, each built
// around one function of a float: a class file names its function and, for a
// message class, which of the common methods it has.
//
// Signal classes: one signal inlet (no scalar), one outlet, f of each sample.
//
// Message classes:
//   float   stores the float (when the class keeps a value) and sends f of it
//   bang    sends f of the stored value
//   "set"   stores a float, sends nothing
//   list    sends a list of the same length, f of each element; an element
//           that is not a float reads as 0; the stored value stays
#pragma once

#include <m_pd.h>

#include "float_list.hpp"
#include "vesh.hpp"

namespace vesh {

struct t_converter {
    t_object x_obj;
    t_float value;  // the stored value
};

// What a class has beyond float and list.
enum ConverterMethods : unsigned {
    stored = 1,       // floats are stored; bang sends f of the stored value
    argument = 2,     // a creation argument starts the stored value
    set_method = 4,   // "set" stores a float
    value_inlet = 8,  // a second inlet, bound to the stored value
};

template <float (*Convert)(float), unsigned Methods>
struct converter {
    static inline t_class *c;

    static void send(t_converter *x, t_float v) { outlet_float(x->x_obj.ob_outlet, Convert(v)); }
    static void float_(t_converter *x, t_floatarg f) {
        if constexpr ((Methods & stored) != 0) x->value = f;
        send(x, f);
    }
    static void bang(t_converter *x) { send(x, x->value); }
    static void set(t_converter *x, t_floatarg f) { x->value = f; }
    static void list(t_converter *x, t_symbol *, int argc, t_atom *argv) {
        convert_list(&x->x_obj, argc, argv, [](t_float v) { return Convert(v); });
    }

    static t_converter *make(t_float value) {
        auto *x = new_object<t_converter>(c);
        x->value = value;
        if constexpr ((Methods & value_inlet) != 0) float_inlet(&x->x_obj, &x->value);
        outlet_new(&x->x_obj, nullptr);
        return x;
    }
    static t_converter *new_with(t_floatarg value) { return make(value); }
    static t_converter *new_bare() { return make(0); }

    static void setup(const char *name) {
        if constexpr ((Methods & argument) != 0) {
            c = new_class<t_converter>(name, new_with, nullptr);
        } else {
            c = new_class<t_converter>(name, new_bare, nullptr);
        }
        add_float(c, float_);
        add_list(c, list);
        if constexpr ((Methods & stored) != 0) add_bang(c, bang);
        if constexpr ((Methods & set_method) != 0) add_method(c, "set", set);
    }
};

// A signal class applying Convert to every sample.
template <float (*Convert)(float)>
struct signal_converter {
    struct t_object_only {
        t_object x_obj;
    };
    static inline t_class *c;

    static void block(t_object_only *, int n, const t_sample *in, t_sample *out) {
        for (int i = 0; i < n; i++) out[i] = Convert(static_cast<float>(in[i]));
    }
    static t_object_only *make() {
        auto *x = new_object<t_object_only>(c);
        outlet_new(&x->x_obj, &s_signal);
        return x;
    }
    static void setup(const char *name) {
        c = new_class<t_object_only>(name, make, nullptr);
        signal_only_left_inlet(c);
        add_block_dsp<block>(c);
    }
};

}  // namespace vesh
