// Starting states of the chaotic generators, and their starting over when a
// map blows up. Host-independent.
#pragma once

#include <cmath>

namespace vesh {

// A starting state that is not finite (a typed 1e39) would also be the point
// a map falls back to after blowing up, and so would come out forever: such a
// value keeps the default instead.
inline void keep_finite(double &value, double fallback) {
    if (!std::isfinite(value)) value = fallback;
}

// A starting value the map can come back to: one that is not finite keeps
// `fallback`, and `start` remembers it.
inline void starts_at(double &value, double &start, double fallback) {
    keep_finite(value, fallback);
    start = value;
}

// The next state when every part of it is finite, else the state at creation:
// a map that blew up starts over rather than hold NaN forever.
inline void advance(double &x, double next_x, double x0) {
    x = std::isfinite(next_x) ? next_x : x0;
}

inline void advance(double &x, double &y, double next_x, double next_y, double x0, double y0) {
    if (std::isfinite(next_x) && std::isfinite(next_y)) {
        x = next_x, y = next_y;
    } else {
        x = x0, y = y0;
    }
}

}  // namespace vesh
