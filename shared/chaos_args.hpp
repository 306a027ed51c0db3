// Argument and message reading shared by the chaotic generators: their
// numbers are plain positional floats, so the library's flag-aware reader is
// more than they need, and their lists set several state variables at once.
#pragma once

#include <m_pd.h>

#include <cmath>
#include <initializer_list>

namespace vesh {

// True when every atom is a float.
inline bool all_floats(int argc, const t_atom *argv) {
    for (int i = 0; i < argc; i++) {
        if (argv[i].a_type != A_FLOAT) return false;
    }
    return true;
}

// Positional creation arguments of the maps: a missing or non-float first
// argument leaves every value at its default; after that each float atom
// replaces the default at its position and anything else keeps it.
inline void read_map_args(int argc, const t_atom *argv, std::initializer_list<double *> values) {
    if (argc < 1 || argv[0].a_type != A_FLOAT) return;
    int i = 0;
    for (double *v : values) {
        if (i < argc && argv[i].a_type == A_FLOAT) *v = argv[i].a_w.w_float;
        i++;
    }
}

// A starting state that is not finite (a typed 1e39) would also be the point
// a map falls back to after blowing up, and so would come out forever: such a
// value keeps the default instead.
inline void keep_finite(double &value, double fallback) {
    if (!std::isfinite(value)) value = fallback;
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

}  // namespace vesh
