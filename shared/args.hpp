// Creation-argument and message readers, one per reading rule, and the
// improper-args report. A class picks the rule its arguments follow:
//
//   read_args            every atom a float or a known flag, else improper:
//                        floats fill the numbers in order (filters,
//                        envelopes, MIDI classes)
//   read_leading_floats  taken only while the list starts with a float: then
//                        each float fills the value at its position and any
//                        other atom keeps its default (oscillators, maps)
//   read_floats          every atom must be a float, else improper; they fill
//                        the values in order (the attractors)
//   set_floats           a message's floats set values in order; each other
//                        element is reported, then skipped or ends the reading
//   read_floats_then_flags  floats first, then flags, some taking the float
//                        after them (the moving windows, the delay)
//   read_floats_then_flag   floats, then one flag and its value as the last
//                        two atoms, the value read as a float (the glides)
//
// Error lines are the system's own texts, and their spellings differ by class
// on purpose ("lowpass~: improper args", "[bandpass~]: improper args",
// "randf: improper args", "rand_seq : could not allocate buffer"): copy the
// line the class's documentation gives, never a neighbour's.
#pragma once

#include <m_pd.h>

#include <initializer_list>

namespace vesh {

struct Flag {
    const char *name;  // with its leading "-"
    bool *present;
};

enum class FlagsAt { anywhere, last_only };

// Walks an A_GIMME argument list left to right: each float fills the next of
// `numbers` (floats past the last are ignored), each symbol must be one of
// `flags`. Returns the count of floats seen, or -1 when an atom fits neither
// (the caller then reports its improper-args line and creates nothing).
inline int read_args(int argc, const t_atom *argv, std::initializer_list<t_float *> numbers,
                     std::initializer_list<Flag> flags = {}, FlagsAt where = FlagsAt::anywhere) {
    int floats = 0;
    t_float *const *next = numbers.begin();
    for (int i = 0; i < argc; i++) {
        const t_atom &a = argv[i];
        if (a.a_type == A_FLOAT) {
            if (next != numbers.end()) **next++ = a.a_w.w_float;
            floats++;
            continue;
        }
        if (a.a_type != A_SYMBOL) return -1;
        if (where == FlagsAt::last_only && i != argc - 1) return -1;
        bool known = false;
        for (const Flag &f : flags) {
            if (a.a_w.w_symbol == gensym(f.name)) {
                *f.present = true;
                known = true;
            }
        }
        if (!known) return -1;
    }
    return floats;
}

// Positional arguments taken only while the list starts with a float: a
// missing or non-float first argument leaves every value at its default;
// after that each float atom replaces the default at its position and
// anything else keeps it. `Number` is t_float or double.
template <typename Number>
inline void read_leading_floats(int argc, const t_atom *argv,
                                std::initializer_list<Number *> values) {
    if (argc < 1 || argv[0].a_type != A_FLOAT) return;
    int i = 0;
    for (Number *v : values) {
        if (i < argc && argv[i].a_type == A_FLOAT) *v = argv[i].a_w.w_float;
        i++;
    }
}

// True when every atom is a float.
inline bool all_floats(int argc, const t_atom *argv) {
    for (int i = 0; i < argc; i++) {
        if (argv[i].a_type != A_FLOAT) return false;
    }
    return true;
}

// Floats only: false (improper) when any atom is not a float; otherwise the
// floats fill `values` in order and those past the last are ignored.
template <typename Number>
inline bool read_floats(int argc, const t_atom *argv, std::initializer_list<Number *> values) {
    if (!all_floats(argc, argv)) return false;
    int i = 0;
    for (Number *v : values) {
        if (i < argc) *v = argv[i].a_w.w_float;
        i++;
    }
    return true;
}

// What a message does when it meets an element that is not a float.
enum class NonFloat {
    stop,  // keep what was set so far and read no further
    skip,  // leave it out; the next float takes its place
};

// Sets `values` in order from the float elements of a message; floats beyond
// the last value are ignored. Each non-float element is reported with
// `complaint` (attributed to `owner`).
inline void set_floats(void *owner, int argc, const t_atom *argv,
                       std::initializer_list<double *> values, NonFloat rule,
                       const char *complaint) {
    const auto *next = values.begin();
    for (int i = 0; i < argc; i++) {
        if (argv[i].a_type != A_FLOAT) {
            pd_error(owner, "%s", complaint);
            if (rule == NonFloat::stop) return;
            continue;
        }
        if (next != values.end()) **next++ = argv[i].a_w.w_float;
    }
}

// Reports a creation failure exactly as given (see the note on spellings
// above) and returns the null object that leaves the box uncreated.
template <typename Object = void>
inline Object *improper_args(const char *text) {
    pd_error(nullptr, "%s", text);
    return nullptr;
}

// A flag that takes the float after it ("-size 500").
struct ValueFlag {
    const char *name;  // with its leading "-"
    t_float *value;
    bool *present;
};

// Floats first, then flags in any order: the first leading float fills
// `number` (and sets `has_number`; later leading floats are ignored), each of
// `flags` sets its bool, each of `valued` takes the float that follows it.
// False (improper) for a float after the first flag that is no flag's value,
// a valued flag without its float, or any other atom.
inline bool read_floats_then_flags(int argc, const t_atom *argv, t_float *number, bool *has_number,
                                   std::initializer_list<Flag> flags,
                                   std::initializer_list<ValueFlag> valued) {
    int i = 0;
    for (; i < argc && argv[i].a_type == A_FLOAT; i++) {
        if (i == 0) {
            *number = argv[i].a_w.w_float;
            *has_number = true;
        }
    }
    for (; i < argc; i++) {
        if (argv[i].a_type != A_SYMBOL) return false;
        const t_symbol *s = argv[i].a_w.w_symbol;
        bool known = false;
        for (const Flag &f : flags) {
            if (s == gensym(f.name)) *f.present = known = true;
        }
        for (const ValueFlag &f : valued) {
            if (s != gensym(f.name)) continue;
            if (i + 1 >= argc || argv[i + 1].a_type != A_FLOAT) return false;
            *f.value = argv[++i].a_w.w_float;
            *f.present = known = true;
        }
        if (!known) return false;
    }
    return true;
}

// Leading floats, then optionally `flag` and one value as the last two atoms
// (the value read as a float; a symbol there reads as 0). Returns the count
// of leading floats, or -1 when anything else stands in the list; sets
// `value` only when the flag is there.
inline int read_floats_then_flag(int argc, const t_atom *argv, const char *flag, t_float &value) {
    int floats = 0;
    while (floats < argc && argv[floats].a_type == A_FLOAT) floats++;
    if (floats == argc) return floats;
    const t_atom &a = argv[floats];
    if (floats != argc - 2 || a.a_type != A_SYMBOL || a.a_w.w_symbol != gensym(flag)) return -1;
    value = atom_getfloat(&argv[argc - 1]);
    return floats;
}

}  // namespace vesh
