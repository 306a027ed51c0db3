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
    float narrowed;
    return detail::rounds_alike(turn_sine(x), narrowed) ? narrowed
                                                        : static_cast<float>(std::sin(x));
}

// std::cos(x) narrowed to single precision, bit for bit.
inline float turn_cosine_narrowed(double x) {
    float narrowed;
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

namespace detail {

inline float library_sine(double x, int quarter) {
    return static_cast<float>(quarter ? std::cos(x) : std::sin(x));
}

inline float scalar_narrowed(double x, int quarter) {
    float narrowed;
    return rounds_alike(quarter_sine(x, quarter), narrowed) ? narrowed : library_sine(x, quarter);
}

// The portable form, one angle at a time, for processors without SSE2.
inline void narrowed_run_portable(const double *turns, double scale, int n, int quarter,
                                  float *out) {
    for (int i = 0; i < n; i++) out[i] = scalar_narrowed(scale * turns[i], quarter);
}

#if defined(__SSE2__)
// Up to 64 angles; bit i of the result is set where out[i] still needs the
// library.
inline uint64_t narrowed_pairs(const double *turns, double scale, int n, int quarter, float *out) {
    using pair = __m128d;   // two doubles; the operators work lane by lane
    using words = __m128i;  // the same bits as two 64-bit integers
    const words sign = {INT64_MIN, INT64_MIN};
    // Two passes, each with a short chain of dependent steps per pair, keep
    // more pairs under way at once than one long pass would.
    double values[64];
    const int pairs_end = n & ~1;
    for (int i = 0; i < pairs_end; i += 2) {
        const pair x = scale * _mm_loadu_pd(turns + i);
        pair shifted;
        const pair r = half_turn_rest(x, quarter, shifted);
        const words negative = (reinterpret_cast<words>(shifted) + quarter) << 63;
        _mm_storeu_pd(values + i, reinterpret_cast<pair>(
                                      reinterpret_cast<words>(half_sine_poly(r)) ^ negative));
    }
    uint64_t redo = 0;
    for (int i = 0; i < pairs_end; i += 2) {
        const pair p = _mm_loadu_pd(values + i);
        const pair slack =
            reinterpret_cast<pair>(reinterpret_cast<words>(p) & ~sign) * 1e-10 + 1e-24;
        const __m128 low = _mm_cvtpd_ps(p - slack);
        const __m128 high = _mm_cvtpd_ps(p + slack);
        _mm_storel_epi64(reinterpret_cast<__m128i *>(out + i), _mm_castps_si128(low));
        const auto differ = static_cast<uint64_t>(~_mm_movemask_ps(_mm_cmpeq_ps(low, high)) & 3);
        redo |= differ << i;
    }
    if (pairs_end < n) {
        float narrowed;
        if (!rounds_alike(quarter_sine(scale * turns[pairs_end], quarter), narrowed))
            redo |= uint64_t{1} << pairs_end;
        out[pairs_end] = narrowed;
    }
    return redo;
}
#endif

// out[i] = sin(scale * turns[i] + quarter * pi/2) narrowed, quarter 0 or 1.
inline void narrowed_run(const double *turns, double scale, int n, int quarter, float *out) {
#if defined(__SSE2__)
    for (int start = 0; start < n; start += 64) {
        const int m = n - start < 64 ? n - start : 64;
        for (uint64_t redo = narrowed_pairs(turns + start, scale, m, quarter, out + start); redo;
             redo &= redo - 1) {
            const int i = start + __builtin_ctzll(redo);
            out[i] = library_sine(scale * turns[i], quarter);
        }
    }
#else
    narrowed_run_portable(turns, scale, n, quarter, out);
#endif
}

}  // namespace detail

// static_cast<float>(std::sin(scale * turns[i])) for i < n, bit for bit.
inline void turn_sines_narrowed(const double *turns, double scale, int n, float *out) {
    detail::narrowed_run(turns, scale, n, 0, out);
}

// static_cast<float>(std::cos(scale * turns[i])) for i < n, bit for bit.
inline void turn_cosines_narrowed(const double *turns, double scale, int n, float *out) {
    detail::narrowed_run(turns, scale, n, 1, out);
}

}  // namespace vesh
