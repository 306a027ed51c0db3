// A list sent on with every element replaced by a function of it: the one
// list routine of the message classes that map single values (the unit
// conversions and rounding classes, fold, wrap2, quantizer). Elements that
// are not floats read as 0.
#pragma once

#include <m_pd.h>

#include "atoms.hpp"

namespace vesh {

// The atoms live in a per-call buffer, so that a list a receiver sends
// straight back into the same object never overwrites one still going out.
template <typename Convert>
inline void convert_list(t_object *x, int argc, const t_atom *argv, Convert convert) {
    Scratch<t_atom> list(static_cast<std::size_t>(argc));
    t_atom *out = list.get();
    if (!out) {
        pd_error(x, "%s: memory allocation failure", class_getname(pd_class(&x->ob_pd)));
        return;
    }
    for (int i = 0; i < argc; i++) {
        const t_float v = argv[i].a_type == A_FLOAT ? argv[i].a_w.w_float : 0;
        SETFLOAT(&out[i], convert(v));
    }
    outlet_list(x->ob_outlet, &s_list, argc, out);
}

}  // namespace vesh
