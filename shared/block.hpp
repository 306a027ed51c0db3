// Whole-block helpers of the perform routines, and the sample type.
// Host-independent.
#pragma once

#include <cmath>
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

// A first-order recursion in double over a block of samples: y = step(y, x,
// i) for each input x (at index i of the block), y written out narrowed. The
// conversions between the sample type and double go four at a time, which
// leaves the loop little besides the recursion itself. `out` may be `in`:
// each group of inputs is read before its outputs are written.
template <typename Step>
inline double recur(double y, int n, const sample *in, sample *out, Step step) {
    int i = 0;
    if constexpr (std::is_same_v<sample, float>) {
        using f4 = float __attribute__((vector_size(16)));
        using f2 = float __attribute__((vector_size(8)));
        using d2 = double __attribute__((vector_size(16)));
        for (; i + 4 <= n; i += 4) {
            f4 x;
            std::memcpy(&x, in + i, sizeof x);
            const d2 lo = __builtin_convertvector((f2{x[0], x[1]}), d2);
            const d2 hi = __builtin_convertvector((f2{x[2], x[3]}), d2);
            const double y0 = step(y, lo[0], i), y1 = step(y0, lo[1], i + 1);
            const double y2 = step(y1, hi[0], i + 2), y3 = step(y2, hi[1], i + 3);
            y = y3;
            const f2 a = __builtin_convertvector((d2{y0, y1}), f2);
            const f2 b = __builtin_convertvector((d2{y2, y3}), f2);
            const f4 o = {a[0], a[1], b[0], b[1]};
            std::memcpy(out + i, &o, sizeof o);
        }
    }
    for (; i < n; i++) {
        y = step(y, static_cast<double>(in[i]), i);
        out[i] = static_cast<sample>(y);
    }
    return y;
}

// The same with the first sample made by `first(y, x)` instead of the step
// (a reset, an impulse).
template <typename First, typename Step>
inline double recur_after(double y, int n, const sample *in, sample *out, First first, Step step) {
    if (n <= 0) return y;
    y = first(y, static_cast<double>(in[0]));
    out[0] = static_cast<sample>(y);
    return recur(y, n - 1, in + 1, out + 1,
                 [&](double z, double x, int i) { return step(z, x, i + 1); });
}

// Four single-precision lanes: a filter runs two or more of its paths side
// by side in them, each lane with its own single-precision arithmetic.
using float4 = float __attribute__((vector_size(16)));

// The lanes, each one that is not finite replaced by 0: the memories of a
// recursion that an infinite or NaN input reached.
inline float4 finite_or_zero(float4 v) {
    for (int k = 0; k < 4; k++) {
        if (!std::isfinite(v[k])) v[k] = 0;
    }
    return v;
}

}  // namespace vesh
