// Sine and cosine of an angle of at most a few turns, narrowed to single
// precision exactly as the library's sin and cos would be, at a fraction of
// their cost. A fast kernel does the work: the angle is reduced by half turns
// (for the cosine, by half turns shifted a quarter) with a two-part pi/2 (the
// first part short enough that the reduction is exact where it matters), and
// the remainder, within pi/2, goes through one polynomial for the sine. Its
// result lies so close to the library's that both round to the same float
// unless they straddle a rounding boundary; in those rare cases (a few in a
// thousand) the library is asked.
// Host-independent.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vesh {

namespace detail {

constexpr double one_over_pi = 3.18309886183790671538e-01;
constexpr double pio2_hi = 1.57079632673412561417e+00;  // pi/2 to 33 bits
constexpr double pio2_lo = 6.07710050650619224932e-11;  // pi/2 - pio2_hi
constexpr double round_shift = 6755399441055744.0;      // 1.5 * 2^52

// sin(x) for |x| up to pi/2 and a little beyond: the Taylor series to x^17,
// whose first dropped term bounds the error by 5e-14 of the value, far below
// half a single-precision step. Written once for a double and for a pair of
// doubles, so that both forms give the same values.
template <typename T>
inline T half_sine_poly(T x) {
    constexpr double c1 = -1.0 / 6, c2 = 1.0 / 120, c3 = -1.0 / 5040, c4 = 1.0 / 362880,
                     c5 = -1.0 / 39916800, c6 = 1.0 / 6227020800, c7 = -1.0 / 1307674368000,
                     c8 = 1.0 / 355687428096000;
    // Estrin's scheme: a shallow chain of dependent steps, so that many
    // samples can be under way at once.
    const T z = x * x;
    const T z2 = z * z;
    const T low = (c1 + z * c2) + z2 * (c3 + z * c4);
    const T high = (c5 + z * c6) + z2 * (c7 + z * c8);
    return x + (x * z) * (low + (z2 * z2) * high);
}

// The reduction, for a double or a pair: x = m * pi/2 + r with m = 2 * half +
// quarter, half the nearest whole number, so that sin(x + quarter * pi/2) is
// sin(r), negated when half + quarter is odd. The shifted sum holds `half` in
// its low bits, negative values included.
template <typename T>
inline T half_turn_rest(T x, int quarter, T &shifted) {
    shifted = (x * one_over_pi - 0.5 * quarter) + round_shift;
    const T m = 2.0 * (shifted - round_shift) + quarter;
    return (x - m * pio2_hi) - m * pio2_lo;
}

// sin(x + quarter * pi/2), quarter 0 or 1, for |x| up to a few turns.
inline double quarter_sine(double x, int quarter) {
    double shifted;
    const double y = half_sine_poly(half_turn_rest(x, quarter, shifted));
    return ((std::bit_cast<uint64_t>(shifted) + quarter) & 1) ? -y : y;
}

}  // namespace detail

inline double turn_sine(double x) {
    return detail::quarter_sine(x, 0);
}
inline double turn_cosine(double x) {
    return detail::quarter_sine(x, 1);
}

namespace detail {
// The kernel's value p is within `slack` of the library's, which therefore
// rounds to the same float whenever p - slack and p + slack do. The relative
// part covers the polynomials, the absolute part the angle reduction near
// zero crossings.
inline bool rounds_alike(double p, float &narrowed) {
    const double slack = std::fabs(p) * 1e-10 + 1e-24;
    const auto low = static_cast<float>(p - slack);
    const auto high = static_cast<float>(p + slack);
    narrowed = low;
    return low == high;
}
}  // namespace detail

// std::sin(x) narrowed to single precision, bit for bit.
inline float turn_sine_narrowed(double x) {
    float narrowed = 0;
    return detail::rounds_alike(turn_sine(x), narrowed) ? narrowed
                                                        : static_cast<float>(std::sin(x));
}

// std::cos(x) narrowed to single precision, bit for bit.
inline float turn_cosine_narrowed(double x) {
    float narrowed = 0;
    return detail::rounds_alike(turn_cosine(x), narrowed) ? narrowed
                                                          : static_cast<float>(std::cos(x));
}

// ---- Runs of angles ---------------------------------------------------------
//
// The same narrowed values for a run of angles scale * turns[i], two at a
// time and without branches: one polynomial serves every half turn, so the
// cost no longer depends on where the angles fall. The pairs take exactly the
// scalar kernel's steps, hence its values and its decisions; the rare angles
// that need the library are collected and done after the run.
//
// Two variants serve oscillators whose angles are not confined to a cycle:
// a guarded run hands angles beyond `kernel_angle_limit` to the library (the
// reduction's error grows with the angle and would outrun the slack), and a
// scaled run narrows sin(angle) * factors[i] rather than the sine itself.

// Radians up to which the kernel rounds as the library does: the reduction
// is exact to about 1.4e-26 per quarter turn, well inside the 1e-24 slack.
constexpr double kernel_angle_limit = 50.0;

namespace detail {

// What a run is asked for: Scaled multiplies each sine by a float factor
// before narrowing; Guarded sends angles past the limit to the library.
template <bool Scaled, bool Guarded>
struct run_kind {
    static constexpr bool scaled = Scaled;
    static constexpr bool guarded = Guarded;
};
using plain_run = run_kind<false, false>;

template <typename Kind>
inline float library_value(double x, int quarter, const float *factors, int i) {
    const double y = quarter ? std::cos(x) : std::sin(x);
    if constexpr (Kind::scaled) return static_cast<float>(y * static_cast<double>(factors[i]));
    return static_cast<float>(y);
}

// The scalar kernel's value for one angle: true when it rounds as the
// library's would, with the float in `narrowed`.
template <typename Kind>
inline bool kernel_value(double x, int quarter, const float *factors, int i, float &narrowed) {
    if constexpr (Kind::guarded) {
        if (!(std::fabs(x) <= kernel_angle_limit)) return false;
    }
    double p = quarter_sine(x, quarter);
    if constexpr (Kind::scaled) {
        // The reduction's absolute error scales with the factor too.
        const double factor = factors[i];
        p *= factor;
        const double slack = std::fabs(p) * 1e-10 + std::fabs(factor) * 1e-24;
        const auto low = static_cast<float>(p - slack);
        narrowed = low;
        return low == static_cast<float>(p + slack);
    }
    return rounds_alike(p, narrowed);
}

template <typename Kind>
inline float scalar_value(double x, int quarter, const float *factors, int i) {
    float narrowed = 0;
    return kernel_value<Kind>(x, quarter, factors, i, narrowed)
               ? narrowed
               : library_value<Kind>(x, quarter, factors, i);
}

// The portable form, one angle at a time, for processors without SSE2.
template <typename Kind = plain_run>
inline void narrowed_run_portable(const double *turns, double scale, int n, int quarter, float *out,
                                  const float *factors = nullptr) {
    for (int i = 0; i < n; i++) out[i] = scalar_value<Kind>(scale * turns[i], quarter, factors, i);
}

#if defined(__SSE2__)
// Up to 64 angles; bit i of the result is set where out[i] still needs the
// library.
template <typename Kind>
inline uint64_t narrowed_pairs(const double *turns, double scale, int n, int quarter, float *out,
                               const float *factors) {
    using pair = __m128d;   // two doubles; the operators work lane by lane
    using words = __m128i;  // the same bits as two 64-bit integers
    const words sign = {INT64_MIN, INT64_MIN};
    // Two factors, widened to doubles.
    const auto factor_pair = [factors](int i) {
        return _mm_cvtps_pd(
            _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i *>(factors + i))));
    };
    // Two passes, each with a short chain of dependent steps per pair, keep
    // more pairs under way at once than one long pass would.
    double values[64];
    const int pairs_end = n & ~1;
    for (int i = 0; i < pairs_end; i += 2) {
        const pair x = scale * _mm_loadu_pd(turns + i);
        pair shifted;
        const pair r = half_turn_rest(x, quarter, shifted);
        const words negative = (reinterpret_cast<words>(shifted) + quarter) << 63;
        pair y = reinterpret_cast<pair>(reinterpret_cast<words>(half_sine_poly(r)) ^ negative);
        if constexpr (Kind::scaled) y *= factor_pair(i);
        if constexpr (Kind::guarded) {
            // A NaN never rounds alike: the angle goes to the library.
            const pair near =
                _mm_cmple_pd(reinterpret_cast<pair>(reinterpret_cast<words>(x) & ~sign),
                             _mm_set1_pd(kernel_angle_limit));
            y = _mm_or_pd(_mm_and_pd(near, y), _mm_andnot_pd(near, _mm_set1_pd(NAN)));
        }
        _mm_storeu_pd(values + i, y);
    }
    uint64_t redo = 0;
    for (int i = 0; i < pairs_end; i += 2) {
        const pair p = _mm_loadu_pd(values + i);
        pair absolute = _mm_set1_pd(1e-24);
        if constexpr (Kind::scaled) {
            absolute *= reinterpret_cast<pair>(reinterpret_cast<words>(factor_pair(i)) & ~sign);
        }
        const pair slack =
            reinterpret_cast<pair>(reinterpret_cast<words>(p) & ~sign) * 1e-10 + absolute;
        const __m128 low = _mm_cvtpd_ps(p - slack);
        const __m128 high = _mm_cvtpd_ps(p + slack);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + i), _mm_castps_si128(low));
        const auto differ = static_cast<uint64_t>(~_mm_movemask_ps(_mm_cmpeq_ps(low, high)) & 3);
        redo |= differ << i;
    }
    if (pairs_end < n) {
        float narrowed = 0;
        if (!kernel_value<Kind>(scale * turns[pairs_end], quarter, factors, pairs_end, narrowed))
            redo |= uint64_t{1} << pairs_end;
        out[pairs_end] = narrowed;
    }
    return redo;
}
#endif

// out[i] = sin(scale * turns[i] + quarter * pi/2) narrowed, quarter 0 or 1
// (times factors[i] before narrowing for a scaled run).
template <typename Kind = plain_run>
inline void narrowed_run(const double *turns, double scale, int n, int quarter, float *out,
                         const float *factors = nullptr) {
#if defined(__SSE2__)
    for (int start = 0; start < n; start += 64) {
        const int m = n - start < 64 ? n - start : 64;
        const float *run_factors = Kind::scaled ? factors + start : nullptr;
        for (uint64_t redo =
                 narrowed_pairs<Kind>(turns + start, scale, m, quarter, out + start, run_factors);
             redo; redo &= redo - 1) {
            const int i = start + __builtin_ctzll(redo);
            out[i] = library_value<Kind>(scale * turns[i], quarter, factors, i);
        }
    }
#else
    narrowed_run_portable<Kind>(turns, scale, n, quarter, out, factors);
#endif
}

}  // namespace detail

// static_cast<float>(std::sin(scale * turns[i])) for i < n, bit for bit, for
// angles of at most a few turns.
inline void turn_sines_narrowed(const double *turns, double scale, int n, float *out) {
    detail::narrowed_run(turns, scale, n, 0, out);
}

// static_cast<float>(std::cos(scale * turns[i])) for i < n, bit for bit, for
// angles of at most a few turns.
inline void turn_cosines_narrowed(const double *turns, double scale, int n, float *out) {
    detail::narrowed_run(turns, scale, n, 1, out);
}

// std::sin(x) narrowed to single precision, bit for bit, for an angle of any
// size.
inline float any_turn_sine_narrowed(double x) {
    return detail::scalar_value<detail::run_kind<false, true>>(x, 0, nullptr, 0);
}

// The run form for angles of any size.
inline void any_turn_sines_narrowed(const double *turns, double scale, int n, float *out) {
    detail::narrowed_run<detail::run_kind<false, true>>(turns, scale, n, 0, out);
}

// static_cast<float>(std::sin(scale * turns[i]) * factors[i]), bit for bit,
// for angles of any size.
inline void any_turn_sines_times_narrowed(const double *turns, double scale, const float *factors,
                                          int n, float *out) {
    detail::narrowed_run<detail::run_kind<true, true>>(turns, scale, n, 0, out, factors);
}

// For a host whose samples are doubles there is nothing to narrow: the same
// calls give the library's values as they stand.
inline void turn_sines_narrowed(const double *turns, double scale, int n, double *out) {
    for (int i = 0; i < n; i++) out[i] = std::sin(scale * turns[i]);
}
inline void any_turn_sines_narrowed(const double *turns, double scale, int n, double *out) {
    turn_sines_narrowed(turns, scale, n, out);
}
inline void any_turn_sines_times_narrowed(const double *turns, double scale, const double *factors,
                                          int n, double *out) {
    for (int i = 0; i < n; i++) out[i] = std::sin(scale * turns[i]) * factors[i];
}

}  // namespace vesh
