// Range shaping of single values, shared by the message and signal forms of
// each operation (fold and fold~, wrap2 and wrap2~, quantizer and quantizer~),
// so that the two can never disagree.
//
//   fold      reflects a value back into [lo, hi] as often as needed
//   wrap2     wraps a value into [lo, hi)
//   quantize  snaps a value to a multiple of a step, by one of four roundings
//
// The bounds may come in either order; equal bounds give that bound. NaN
// passes through; an infinite value has no place in a cycle and gives the
// lower bound. No value, however large, reaches an integer conversion that
// could overflow, and every loop ends.
//
// Host-independent: no host header, so the routines can be unit-tested.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace vesh {

namespace range_detail {

// A value congruent to x - lo modulo period: in [0, period), exact, when x -
// lo is exact in double precision and not negative (checked as in Knuth's
// two-sum; one range above is then a plain subtraction, exact by Sterbenz's
// lemma, and further ones one remainder), otherwise within two periods of 0
// (the remainders of x and lo, each exact, taken apart when x and lo are of
// very different magnitudes). `period` is a positive finite double.
inline double rest_in_cycle(float x, float lo, double period) {
    const double a = x, b = -static_cast<double>(lo);
    const double d = a + b;
    const double b_part = d - a;
    const bool exact = (a - (d - b_part)) + (b - b_part) == 0;
    if (exact && d >= 0) {
        if (d < period) return d;
        if (d < 2 * period) return d - period;
        return std::fmod(d, period);
    }
    return exact ? std::fmod(d, period) : std::fmod(a, period) + std::fmod(b, period);
}

// The first x + k*period (k whole) at or above lo, in double precision. lo
// is added to the rest before the period is, so that a rest a hair below 0
// gives lo + period rather than lo.
inline double wrap_from(float x, float lo, double period) {
    const double m = rest_in_cycle(x, lo, period);
    double y = static_cast<double>(lo) + m;
    if (m < 0) y += period;
    if (m <= -period) y += period;
    if (m >= period) y -= period;
    return y;
}

// (x - lo) mod period in [0, period), for the reflection.
inline double offset_in_cycle(float x, float lo, double period) {
    double m = rest_in_cycle(x, lo, period);
    if (m < 0) m += period;
    if (m < 0) m += period;
    if (m >= period) m -= period;
    return m;
}

// Exponent of the lowest set bit of a float (a large number for 0).
inline int lowest_bit(float f) {
    const auto u = std::bit_cast<uint32_t>(f);
    uint32_t exponent = (u >> 23) & 0xffu;
    uint32_t mantissa = u & 0x7fffffu;
    if (exponent) {
        mantissa |= 0x800000u;
    } else {
        exponent = 1;
    }
    if (!mantissa) return 1000;
    return static_cast<int>(exponent) - 150 + std::countr_zero(mantissa);
}

}  // namespace range_detail

// Reflection into [lo, hi], in single precision: with d the distance past the
// bound crossed, n the whole number of ranges in it and m = d - r*n the rest,
// an even n leaves m measured from that bound and an odd n from the other.
// Once d / r reaches 2^23 single precision can no longer tell where in the
// range the value lands; there the reflection is taken exactly instead.
inline float fold(float x, float a, float b) {
    if (a == b) return b;
    const float lo = a < b ? a : b;
    const float hi = a < b ? b : a;
    if (!(x < lo || x > hi)) return x;  // inside, or NaN
    if (std::isinf(x)) return lo;
    const float r = hi - lo;
    const bool below = x < lo;
    const float d = below ? lo - x : x - hi;
    // Within one range of the bound d / r rounds below 1 (d <= r - ulp), so n
    // is 0 there without the division.
    const float quotient = d < r ? 0.0f : d / r;
    float y;
    if (quotient < 8388608.0f) {
        const auto n = static_cast<int32_t>(quotient);
        const float m = d - r * static_cast<float>(n);
        const bool from_crossed = (n % 2 == 0);
        // Crossed lo: even n counts up from lo; crossed hi: even n down from hi.
        y = (below == from_crossed) ? lo + m : hi - m;
    } else {
        const double period = 2.0 * static_cast<double>(r);
        if (!std::isfinite(period)) return lo;  // bounds spanning beyond the float range
        const double p = range_detail::offset_in_cycle(x, lo, period);
        y = static_cast<float>(p <= r ? lo + p : static_cast<double>(hi) - (p - r));
    }
    // Rounding may put the result a step outside; it belongs inside.
    return y < lo ? lo : y > hi ? hi : y;
}

namespace range_detail {

// The evenly spaced stretch of floats that y lies in, seen from y going up:
// the spacing of its floats and where the stretch ends (the power of two
// above y; for negative y the one nearer zero). Values below 2^-126 in
// magnitude share the subnormal spacing.
struct Stretch {
    double spacing, end;
    bool operator==(const Stretch &) const = default;
};

inline Stretch stretch_above(double y) {
    const double magnitude = std::fabs(y);
    if (magnitude < 0x1p-126) return {0x1p-149, 0x1p-126};
    int e;
    std::frexp(magnitude, &e);  // 2^(e-1) <= magnitude < 2^e
    return {std::ldexp(1.0, e - 24), y > 0 ? std::ldexp(1.0, e) : -std::ldexp(1.0, e - 1)};
}

}  // namespace range_detail

// The additions x + r, x + 2r, ... in single precision, as a loop adding r
// until the value is at least lo would make them, in bounded time. Within a
// stretch of evenly spaced floats every addition adds the same rounded amount
// (once a tie, if any, has settled after the first): two equal additions
// inside one stretch show that amount, and the run of equal steps up to the
// stretch's end, or up to lo, is taken in one multiplication. A few additions
// per power of two remain, whatever the distance. Where an addition would no
// longer change the value the loop could never end: the result is then the
// smallest x + k*r at least lo, taken exactly.
inline float wrap_up(float x, float lo, float r) {
    if (!(r > 0) || !std::isfinite(r)) return lo;
    // A few ranges below, the additions themselves are the cheapest.
    float y = x;
    for (int additions = 0; additions < 32; additions++) {
        if (!(y < lo)) return y;
        const float next = y + r;
        if (!(next > y)) return static_cast<float>(range_detail::wrap_from(x, lo, r));
        y = next;
    }
    // Every value on the way is a multiple of the finer of the lowest bits of
    // y and r, and no larger than y or lo + r: when all of them fit in a
    // float's 24 bits every addition is exact, and so is the remainder.
    const int grain = std::min(range_detail::lowest_bit(y), range_detail::lowest_bit(r));
    const double largest =
        std::fmax(-static_cast<double>(y), std::fabs(static_cast<double>(lo)) + r);
    if (grain < 900 && largest < std::ldexp(1.0, grain + 24)) {
        return static_cast<float>(range_detail::wrap_from(y, lo, r));
    }
    double last_step = -1;
    for (int additions = 0; y < lo; additions++) {
        const float next = y + r;
        if (!(next > y) || additions > 4096) {
            return static_cast<float>(range_detail::wrap_from(x, lo, r));
        }
        const double step = static_cast<double>(next) - static_cast<double>(y);
        const float before = y;
        y = next;
        if (step != last_step || y >= lo) {
            last_step = step;
            continue;
        }
        const range_detail::Stretch here = range_detail::stretch_above(y);
        if (!(range_detail::stretch_above(before) == here)) continue;
        // Steps j = 1..k land on y + j*step while each sum before rounding
        // stays inside the stretch (kept a spacing and a step clear of its
        // end) and each value before it is still below lo (one step clear).
        const double to_end = std::floor((here.end - here.spacing - step - y) / step);
        const double to_lo = std::floor((static_cast<double>(lo) - y) / step) - 1;
        const double k = std::fmin(to_end, to_lo);
        if (k >= 1) y = static_cast<float>(y + k * step);  // on the stretch's grid: exact
    }
    return y;
}

// Wrapping into [lo, hi) (the upper bound itself wraps to lo). From lo up the
// result is lo + fmod(x - lo, r), the remainder exact (taken from the
// remainders of x and lo, as x - lo itself may not be) and the sum in double
// precision. Below lo the value is raised by whole ranges, r added in single
// precision until it reaches lo (wrap_up).
inline float wrap2(float x, float a, float b) {
    if (a == b) return b;
    const float lo = a < b ? a : b;
    const float hi = a < b ? b : a;
    if (x >= lo && x < hi) return x;
    if (x != x) return x;
    if (std::isinf(x)) return lo;
    const float r = hi - lo;
    if (x < lo) return wrap_up(x, lo, r);
    if (!std::isfinite(r)) return x;  // a range wider than any float: x is inside
    return static_cast<float>(range_detail::wrap_from(x, lo, r));
}

// Quantising modes: 0 nearest (halves away from zero), 1 toward zero, 2 down,
// 3 up.
enum class Rounding { nearest = 0, toward_zero = 1, down = 2, up = 3 };

// A whole number by `mode`, in single precision. From 2^23 on every float is
// already whole and is returned as it is (so are infinities and NaN). Toward
// zero, down and up go through truncation as the rounding classes do, so a
// zero result is +0; nearest keeps the sign of w.
template <Rounding mode>
inline float round_by(float w) {
    constexpr float whole = 8388608.0f;  // 2^23
    if (!(w < whole && w > -whole)) return w;
    if constexpr (mode == Rounding::nearest) {
        return std::copysign(static_cast<float>(static_cast<int32_t>(std::fabs(w) + 0.49999997f)),
                             w);
    }
    const auto t = static_cast<float>(static_cast<int32_t>(w));
    if constexpr (mode == Rounding::down) return t > w ? t - 1 : t;
    if constexpr (mode == Rounding::up) return t < w ? t + 1 : t;
    return t;
}

// x snapped to a multiple of `step`: w = x / step in single precision, made
// whole by the mode, times step in double precision. A step of 0 or less (or
// NaN) passes x.
template <Rounding mode>
inline float quantize(float x, float step) {
    if (!(step > 0)) return x;
    const float w = round_by<mode>(x / step);
    return static_cast<float>(static_cast<double>(w) * static_cast<double>(step));
}

inline float quantize(float x, float step, int mode) {
    switch (mode) {
        case 1:
            return quantize<Rounding::toward_zero>(x, step);
        case 2:
            return quantize<Rounding::down>(x, step);
        case 3:
            return quantize<Rounding::up>(x, step);
        default:
            return quantize<Rounding::nearest>(x, step);
    }
}

// A mode from a user's number: truncated, below 0 as 0, above 3 as 3, NaN 0.
constexpr int quantize_mode(double f) {
    if (!(f > 0)) return 0;
    if (f >= 3) return 3;
    return static_cast<int>(f);
}

}  // namespace vesh
