// Unit conversions and rounding, one function each, shared by the signal class
// and the message class of a conversion so that the two cannot disagree.
//
// Rounding works in single precision. From 2^23 on every float is already
// whole, and so are the infinities; those values, and NaN, come back as they
// are, and no value ever reaches an integer conversion it would overflow.
// The functions are written without branches so that a block loop over them
// vectorises.
//
// Host-independent: no host header.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace vesh::conversion {

constexpr double two_pi = 6.283185307179586;
constexpr double inverse_two_pi = 0.15915494309189535;
constexpr double inverse_cents_per_octave = 0.0008333333535119891;  // 1/1200 in single precision
constexpr float whole = 8388608.0f;                                 // 2^23

// Radians per sample for one hertz, and hertz for one radian per sample:
// each factor rounded to single precision, as the classes keep it.
inline float hz2rad_factor(double sr) {
    return static_cast<float>(two_pi / sr);
}
inline float rad2hz_factor(double sr) {
    return static_cast<float>(sr * inverse_two_pi);
}

// out = in * factor over a block, four samples at a time in vector lanes:
// each group is read before it is written, so `out` may be `in`.
template <typename T>
inline void scale(const T *in, T *out, int n, T factor) {
    int i = 0;
    if constexpr (std::is_same_v<T, float>) {
        using lanes = float __attribute__((vector_size(16)));
        const lanes f = {factor, factor, factor, factor};
        for (; i + 4 <= n; i += 4) {
            lanes v;
            std::memcpy(&v, in + i, sizeof v);
            v *= f;
            std::memcpy(out + i, &v, sizeof v);
        }
    }
    for (; i < n; i++) out[i] = in[i] * factor;
}

// Minus infinity for a ratio of 0 or below; NaN stays NaN.
inline float ratio2cents(float ratio) {
    const double r = ratio < 0 ? 0.0 : static_cast<double>(ratio);
    return static_cast<float>(1200.0 * std::log2(r));
}

inline float cents2ratio(float cents) {
    return static_cast<float>(std::pow(2.0, static_cast<double>(cents) * inverse_cents_per_octave));
}

// An integer conversion of x is defined only when |x| < 2^23; this is x
// there and 0 elsewhere (the caller then keeps x itself).
inline float convertible(float x) {
    return std::fabs(x) < whole ? x : 0.0f;
}

inline bool already_whole(float x) {
    return !(std::fabs(x) < whole);
}

// Nearest whole number, halves to even: adding and taking away 2^23 leaves
// no fraction, and the addition rounds as the hardware does. The sign is
// restored afterwards (so -0.4 gives -0).
inline float rint(float x) {
    const float magnitude = std::fabs(x);
    const float rounded = std::copysign((magnitude + whole) - whole, x);
    return already_whole(x) ? x : rounded;
}

// Toward zero, through an integer: a zero result is +0.
inline float trunc(float x) {
    const auto t = static_cast<float>(static_cast<int32_t>(convertible(x)));
    return already_whole(x) ? x : t;
}

inline float floor(float x) {
    const auto t = static_cast<float>(static_cast<int32_t>(convertible(x)));
    const float down = t > x ? t - 1.0f : t;
    return already_whole(x) ? x : down;
}

inline float ceil(float x) {
    const auto t = static_cast<float>(static_cast<int32_t>(convertible(x)));
    const float up = t < x ? t + 1.0f : t;
    return already_whole(x) ? x : up;
}

// Raises x to the power e keeping the sign of x: -pow(-x, e) below 0.
inline float signed_power(float x, float e) {
    const double base = x;
    return static_cast<float>(x >= 0 ? std::pow(base, static_cast<double>(e))
                                     : -std::pow(-base, static_cast<double>(e)));
}

}  // namespace vesh::conversion
