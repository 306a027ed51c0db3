// A list sent on with every element replaced by a function of it, for the
// message classes that map single values (fold, wrap2, quantizer). Elements
// that are not floats read as 0.
#pragma once

#include <m_pd.h>

#include "atoms.hpp"

namespace vesh {

// The object's buffer for mapped lists; it grows to the longest list seen.
// While a result is going out a list that comes back into the same object
// (a receiver wired back to its inlet) is mapped into memory of its own, so
// the outer result is never overwritten or moved under its receivers.
struct float_list {
    atom_buffer buffer;
    int sending;
};

// `f` maps one float. Returns false when no memory could be had for the list.
template <typename F>
inline bool float_list_send(float_list &l, t_outlet *out, int argc, const t_atom *argv, F f) {
    const bool nested = l.sending != 0;
    Scratch<t_atom> own(nested ? static_cast<std::size_t>(argc) : 0);
    if (!nested && argc > l.buffer.capacity && !atom_buffer_renew(l.buffer, argc)) return false;
    t_atom *atoms = nested ? own.get() : l.buffer.atoms;
    if (!atoms && argc > 0) return false;
    for (int i = 0; i < argc; i++) SETFLOAT(&atoms[i], f(atom_getfloat(&argv[i])));
    l.sending++;
    outlet_list(out, &s_list, argc, atoms);
    l.sending--;
    return true;
}

}  // namespace vesh
