// Starting states of the chaotic generators.
#pragma once

#include <cmath>

namespace vesh {

// A starting state that is not finite (a typed 1e39) would also be the point
// a map falls back to after blowing up, and so would come out forever: such a
// value keeps the default instead.
inline void keep_finite(double &value, double fallback) {
    if (!std::isfinite(value)) value = fallback;
}

}  // namespace vesh
