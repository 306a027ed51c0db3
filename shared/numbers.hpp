// Every conversion from a user's number to an integer, in one place.
//
// A float typed into a box or sent to an inlet may be NaN, infinite or far
// beyond any integer type; converting it with a plain cast is undefined
// behaviour. These routines never are: each truncates or rounds, then
// saturates at its limits, and gives NaN a fixed value. Pick the one whose
// limits and NaN reading fit the use:
//
//   routine          result   rounding              limits             NaN
//   int_part         int32    toward zero           INT32_MIN..MAX     0
//   wide_part        int64    toward zero           -2^62..2^62        -1
//   to_index         int      toward zero           -2^30..2^30        -2^30
//   to_count         int      toward zero           lo..hi             lo
//   index_in         int      toward zero           0..size-1          0
//   ms_to_samples    int      half away from zero   INT_MIN..INT_MAX   0
//   round_half_away  float    half away from zero   (whole from 2^23)  NaN
//
// Why the NaN values differ: a seed or a count reads NaN as 0; a MIDI byte,
// key or channel reads it as -1 so that every range test rejects it; a list
// position reads it as the most negative index so that it selects nothing.
//
// Host-independent: no host header, so the routines can be unit-tested.
#pragma once

#include <climits>
#include <cmath>
#include <cstdint>

namespace vesh {

// Toward zero, saturating at INT32_MIN and INT32_MAX; NaN gives 0. Seeds,
// weights, octave counts.
constexpr int32_t int_part(double x) {
    if (!(x == x)) return 0;
    if (x >= 2147483647.0) return INT32_MAX;
    if (x <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(x);
}

// Toward zero in 64 bits, saturating at +-2^62 (far enough from the type's
// ends that adding a channel or a byte cannot overflow); NaN gives -1. MIDI
// bytes, keys and channels.
constexpr int64_t wide_part(double x) {
    constexpr double limit = 4611686018427387904.0;  // 2^62
    if (!(x == x)) return -1;
    if (x >= limit) return int64_t{1} << 62;
    if (x <= -limit) return -(int64_t{1} << 62);
    return static_cast<int64_t>(x);
}

// Largest magnitude a list index can take; big enough for any real list, small
// enough that negating it or adding a few to it never overflows an int.
constexpr int index_limit = 1 << 30;

// Toward zero, saturating at +-index_limit. NaN reads as the most negative
// index, so that it selects nothing rather than the first slot.
constexpr int to_index(double f) {
    if (!(f > -static_cast<double>(index_limit))) return -index_limit;
    if (!(f < static_cast<double>(index_limit))) return index_limit;
    return static_cast<int>(f);
}

// An outlet or inlet count, a depth: truncated, then clamped to lo..hi
// (NaN gives lo).
constexpr int to_count(double f, int lo, int hi) {
    const int n = to_index(f);
    return n < lo ? lo : n > hi ? hi : n;
}

// A slot of a table of `size` entries (size >= 1): truncated, then clamped to
// 0..size-1, so that any number reads a slot that exists (NaN reads slot 0).
constexpr int index_in(double f, int size) {
    return to_count(f, 0, size - 1);
}

// Rounding of a single-precision value to a whole number, halves away from
// zero: the integer part of |w| + 0.49999997 with the sign of w. From 2^23 on
// every float is already whole and is returned as it is (so are infinities
// and NaN).
inline float round_half_away(float w) {
    constexpr float whole = 8388608.0f;  // 2^23
    if (!(w < whole && w > -whole)) return w;
    const float magnitude = std::fabs(w);
    return std::copysign(static_cast<float>(static_cast<int32_t>(magnitude + 0.49999997f)), w);
}

// Samples per millisecond of a sample rate, as the classes keep it: the
// double product sr * 0.001 narrowed to single precision.
constexpr float samples_per_ms(double sr) {
    return static_cast<float>(sr * 0.001);
}

// A duration in milliseconds as whole samples, the rule every class shares:
// x = ms * samples_per_ms in single precision, then x + 0.49999997 (x -
// 0.49999997 below 0) in single precision, truncated. Halves go away from
// zero: at 44.1 kHz, 5 ms (220.5 samples) is 221. Lengths beyond an int are
// held at INT_MAX or INT_MIN; NaN gives 0. Callers that need at least one
// sample, or a shorter limit, clamp the result.
constexpr int ms_to_samples(float ms, float samples_per_ms) {
    const float x = ms * samples_per_ms;
    if (x >= 0) {
        const float r = x + 0.49999997f;
        return r < 2147483520.0f ? static_cast<int>(r) : INT_MAX;
    }
    if (x < 0) {
        const float r = x - 0.49999997f;
        return r > -2147483520.0f ? static_cast<int>(r) : INT_MIN;
    }
    return 0;
}

}  // namespace vesh
