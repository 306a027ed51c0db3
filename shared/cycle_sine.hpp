// Sine and cosine of an angle of at most a few turns, narrowed to single
// precision exactly as the library's sin and cos would be, at a fraction of
// their cost. A fast kernel does the work: the angle is reduced by quarter
// turns with a two-part pi/2 (the first part short enough that the reduction
// is exact where it matters) and the remainder, within pi/4, goes through the
// classic minimax polynomials. Its result lies so close to the library's that
// both round to the same float unless they straddle a rounding boundary; in
// those rare cases (a few in a thousand) the library is asked.
// Host-independent.
#pragma once

#include <cmath>

namespace vesh {

namespace detail {

constexpr double two_over_pi = 6.36619772367581382433e-01;
constexpr double pio2_hi = 1.57079632673412561417e+00;  // pi/2 to 33 bits
constexpr double pio2_lo = 6.07710050650619224932e-11;  // pi/2 - pio2_hi
constexpr double round_shift = 6755399441055744.0;      // 1.5 * 2^52

// Near-minimax in relative error over [-pi/4, pi/4]: within 6e-12 for the
// sine and 2e-13 for the cosine, far below half a single-precision step, at
// fewer operations than full double accuracy would take.
inline double sine_poly(double x) {
    constexpr double s1 = -1.66666666400980851567e-01, s2 = 8.33332924626143269557e-03,
                     s3 = -1.98392974239320612429e-04, s4 = 2.71800437249234256650e-06;
    const double z = x * x;
    return x + (x * z) * (s1 + z * (s2 + z * (s3 + z * s4)));
}

inline double cosine_poly(double x) {
    constexpr double c1 = 4.16666666176138777645e-02, c2 = -1.38888833693107369678e-03,
                     c3 = 2.47994311462186324647e-05, c4 = -2.72036830991433930015e-07;
    const double z = x * x;
    const double hz = 0.5 * z;
    const double w = 1.0 - hz;
    // 1 - z/2 rounds away what the tail term recovers.
    return w + (((1.0 - w) - hz) + (z * z) * (c1 + z * (c2 + z * (c3 + z * c4))));
}

// sin(x + quarter * pi/2) for |x| up to a few turns.
inline double quarter_sine(double x, int quarter) {
    // Nearest whole number of quarter turns, without a rounding call.
    const double q = (x * two_over_pi + round_shift) - round_shift;
    const double r = (x - q * pio2_hi) - q * pio2_lo;
    const int k = static_cast<int>(q) + quarter;
    const double y = (k & 1) ? cosine_poly(r) : sine_poly(r);
    return (k & 2) ? -y : y;
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

}  // namespace vesh
