// The big-or-small test: a single-precision value whose two highest exponent
// bits are equal is either tiny (below 2^-63, denormals and zero included) or
// huge (2^65 and up, infinities and NaN included). Feedback state that drifts
// there is reset to 0 so that it can neither stall the CPU nor stick at inf.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

namespace vesh {

inline bool big_or_small(float value) {
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    return ((bits >> 29) & 1u) == ((bits >> 30) & 1u);
}

// The value itself, or 0 when it is big-or-small.
inline float flush_big_or_small(float value) {
    return big_or_small(value) ? 0.0f : value;
}

// The same test for a double-precision sample (a double-precision host), by
// the magnitudes it stands for.
inline bool big_or_small(double value) {
    const double magnitude = std::fabs(value);
    return !(magnitude >= 0x1p-63 && magnitude < 0x1p65);
}

inline double flush_big_or_small(double value) {
    return big_or_small(value) ? 0.0 : value;
}

}  // namespace vesh
