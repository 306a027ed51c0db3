// Whole-block helpers of the perform routines, and the sample type.
// Host-independent.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace vesh {

// The host's sample type without its header: single precision, or double
// for a host built with PD_FLOATSIZE=64 (the build passes the definition on).
#if defined(PD_FLOATSIZE) && PD_FLOATSIZE == 64
using sample = double;
#else
using sample = float;
#endif

namespace detail {
using float_lanes = float __attribute__((vector_size(16)));
using float_mask = int32_t __attribute__((vector_size(16)));
using double_lanes = double __attribute__((vector_size(16)));
using double_mask = int64_t __attribute__((vector_size(16)));

// `want` holds the value in every lane.
template <typename Lanes, typename Mask, typename T>
inline bool holds_in_lanes(const T *in, int n, T value, Lanes want) {
    constexpr int width = sizeof(Lanes) / sizeof(T);
    Mask all = Mask{} - 1;  // every lane equal so far
    int i = 0;
    for (; i + width <= n; i += width) {
        Lanes v;
        std::memcpy(&v, in + i, sizeof v);
        all &= (v == want);
    }
    auto lanes_equal = all[0];
    for (int k = 1; k < width; k++) lanes_equal &= all[k];
    bool same = lanes_equal != 0;
    for (; i < n; i++) same &= in[i] == value;
    return same;
}
}  // namespace detail

// True when every sample of the block equals `value`. Most inputs hold still
// (a float into an unconnected inlet), and a loop can then drop the work the
// input would cost: a step worked out once, a dependency left out. A NaN
// never equals itself, so a block holding NaN does not hold. Sixteen bytes at
// a time keep the scan cheap next to the loop it saves.
inline bool holds(const float *in, int n, float value) {
    return detail::holds_in_lanes<detail::float_lanes, detail::float_mask>(
        in, n, value, detail::float_lanes{value, value, value, value});
}

inline bool holds(const double *in, int n, double value) {
    return detail::holds_in_lanes<detail::double_lanes, detail::double_mask>(
        in, n, value, detail::double_lanes{value, value});
}

// True when the block (n >= 1) holds its first sample throughout.
template <typename T>
inline bool holds(const T *in, int n) {
    return holds(in, n, in[0]);
}

// Writes `value` to n samples; eight stores at a time let the compiler use
// vector stores.
template <typename T>
inline void fill(T *out, int n, std::type_identity_t<T> value) {
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        for (int k = 0; k < 8; k++) out[i + k] = value;
    }
    for (; i < n; i++) out[i] = value;
}

}  // namespace vesh
