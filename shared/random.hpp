// Cheap, repeatable pseudo-random numbers for the noise and random classes.
//
// Three generators live here:
//  - the combined Tausworthe generator with hashed seeding (random_state),
//    stepped inline in the audio loops through random_step/random_bipolar;
//  - the noise LCG, one 32-bit word stepped and read inline;
//  - the integer LCG of rand_int, seeded from a fixed counter or the clock.
// Everything is inline: each plug-in that includes this header carries its own
// copy, and the module-wide values of rand_seed are per plug-in.
#pragma once

#include <m_pd.h>

#include "numbers.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <utility>

namespace vesh {

struct random_state {
    uint32_t s1, s2, s3;
};

// Thomas Wang's 32-bit integer mix.
constexpr uint32_t random_hash(uint32_t k) {
    k += ~(k << 15);
    k ^= k >> 10;
    k += k << 3;
    k ^= k >> 6;
    k += ~(k << 11);
    k ^= k >> 16;
    return k;
}

// A float seed truncated toward zero; every float is a valid, repeatable seed.
constexpr int32_t seed_to_int(double seed) {
    return int_part(seed);
}

constexpr void random_init(random_state *state, double seed) {
    const uint32_t h = random_hash(static_cast<uint32_t>(seed_to_int(seed)));
    state->s1 = h ^ 0x4A1FCF79u;
    if (state->s1 < 2) state->s1 = 0x4A1FCF79u;
    state->s2 = h ^ 0xB86271CCu;
    if (state->s2 < 8) state->s2 = 0xB86271CCu;
    state->s3 = h ^ 0x6C986D11u;
    if (state->s3 < 16) state->s3 = 0x6C986D11u;
}

// The seed of a new instance: its first creation argument when that is a
// number, otherwise the next value of the class's seed counter.
inline double creation_seed(int argc, const t_atom *argv, int &counter) {
    if (argc > 0 && argv[0].a_type == A_FLOAT) return argv[0].a_w.w_float;
    return counter++;
}

// L'Ecuyer's taus88 step on the words in registers; returns s1 ^ s2 ^ s3.
constexpr uint32_t random_step(uint32_t &s1, uint32_t &s2, uint32_t &s3) {
    s1 = ((s1 & 0xFFFFFFFEu) << 12) ^ (((s1 << 13) ^ s1) >> 19);
    s2 = ((s2 & 0xFFFFFFF8u) << 4) ^ (((s2 << 2) ^ s2) >> 25);
    s3 = ((s3 & 0xFFFFFFF0u) << 17) ^ (((s3 << 3) ^ s3) >> 11);
    return s1 ^ s2 ^ s3;
}

// The top 23 bits of a word become the mantissa of a float in [2, 4);
// subtracting 3 leaves [-1, 1) in steps of 2^-22.
constexpr float bipolar_value(uint32_t r) {
    return std::bit_cast<float>((r >> 9) | 0x40000000u) - 3.0f;
}

constexpr float random_bipolar(uint32_t &s1, uint32_t &s2, uint32_t &s3) {
    return bipolar_value(random_step(s1, s2, s3));
}

// 1.0f where bipolar_value(r) > 0, otherwise -1.0f, read from the word without
// going through a float: the value is above 0 exactly when the top 23 bits
// exceed 2^22, that is when r >= 0x80000200. Branch-free, as the sign is a coin
// toss that no predictor can learn.
constexpr float bipolar_sign(uint32_t r) {
    // All ones in the high half when the subtraction borrows (r < 0x80000200).
    const auto at_most_zero = static_cast<uint32_t>((uint64_t{r} - 0x80000200u) >> 32);
    return std::bit_cast<float>(0x3F800000u | (at_most_zero & 0x80000000u));
}

// ---- Noise LCG ----------------------------------------------------------

constexpr uint32_t noise_lcg_step(uint32_t v) {
    return v * 435898247u + 382842987u;
}

// The value of a word: a signed integer around 2^30 scaled into [-1, 1].
constexpr float noise_lcg_value(uint32_t v) {
    const auto centred = static_cast<int32_t>(v & 0x7FFFFFFFu) - 0x40000000;
    return static_cast<float>(centred) * 9.313225746154785e-10f;
}

// An explicit seed s becomes the word (integer part of s) * 1319.
constexpr uint32_t noise_lcg_seed(double seed) {
    return static_cast<uint32_t>(seed_to_int(seed)) * 1319u;
}

// The word of a new instance, from its class's counter: an explicit seed
// restarts the counter at that seed's word; otherwise the counter steps on
// (times 1319). Every class on the noise LCG seeds its instances here.
constexpr uint32_t noise_lcg_instance(uint32_t &counter, bool seeded = false, double seed = 0) {
    counter = seeded ? noise_lcg_seed(seed) : counter * 1319u;
    return counter;
}

// ---- Integer LCG --------------------------------------------------------

constexpr uint32_t int_lcg_step(uint32_t u) {
    return u * 472940017u + 832416023u;
}

// The next integer in 0 ... n-1 (n >= 1); -1 for n = 0.
inline int rand_int(uint32_t *state, int n) {
    *state = int_lcg_step(*state);
    const double x = n * (1.0 / 4294967296.0) * static_cast<double>(*state);
    int r = static_cast<int>(x);
    if (r >= n) r = n - 1;
    return r;
}

// Module-wide values of rand_seed, one set per plug-in.
struct rand_seed_memory {
    uint32_t last_ticks = 0;
    uint32_t time_shift = 0;
    uint32_t fallback = 1489853723u;
};
inline rand_seed_memory rand_seed_values;

constexpr uint32_t rand_seed_fallback_step(uint32_t f) {
    return f * 435898247u + 938284287u;
}

// A non-zero seed is taken as it is; 0 asks for a seed from the clock
// (`realtime` in seconds) that differs even between two calls within the same
// microsecond.
inline void rand_seed_at(uint32_t *state, int seed, double realtime, rand_seed_memory &m) {
    if (seed != 0) {
        *state = static_cast<uint32_t>(seed) & 0x7FFFFFFFu;
        return;
    }
    // Microseconds, kept as their low 32 bits.
    const double micros = std::fmod(realtime * 1000000.0, 4294967296.0);
    const auto ticks = micros > 0 ? static_cast<uint32_t>(micros) : 0u;
    if (ticks == m.last_ticks) {
        m.fallback = rand_seed_fallback_step(m.fallback);
        *state = m.fallback & 0x7FFFFFFFu;
    } else {
        if (m.time_shift == 0) m.time_shift = static_cast<uint32_t>(std::time(nullptr));
        *state = (ticks + m.time_shift) & 0x7FFFFFFFu;
    }
    m.last_ticks = ticks;
}

inline void rand_seed(uint32_t *state, int seed) {
    rand_seed_at(state, seed, sys_getrealtime(), rand_seed_values);
}

// Integer LCG seeding of a new instance: the class's counter advances from
// itself, or from the seed argument when one is given.
constexpr uint32_t int_lcg_next_counter(uint32_t from) {
    return from * 435898247u + 938284287u;
}

// The state of a new instance, from its class's counter (as above).
constexpr uint32_t int_lcg_instance(uint32_t &counter, bool seeded = false, double seed = 0) {
    counter = int_lcg_next_counter(seeded ? static_cast<uint32_t>(int_part(seed)) : counter);
    return counter & 0x7FFFFFFFu;
}

// ---- Seed counters that step on whatever the seed ------------------------

// The word of a new instance whose class's counter steps on (times 1319) at
// every creation, seeded or not: a seed makes this instance's word alone.
constexpr uint32_t noise_lcg_instance_apart(uint32_t &counter, bool seeded = false,
                                            double seed = 0) {
    counter *= 1319u;
    return seeded ? noise_lcg_seed(seed) : counter;
}

// The same counter, but the word is one LCG step from the seed's integer
// part or, unseeded, from the counter read as a signed integer and passed
// through single precision (which rounds counters of more than 24 bits).
inline uint32_t noise_lcg_stepped_instance(uint32_t &counter, bool seeded = false,
                                           double seed = 0) {
    counter *= 1319u;
    const double from = seeded ? seed : static_cast<float>(static_cast<int32_t>(counter));
    return noise_lcg_step(static_cast<uint32_t>(int_part(from)));
}

// ---- Integer ranges of the integer LCG ------------------------------------

// The integers drawn between two bounds: from `low`, `size` of them. Both
// bounds are integer parts and 1 is added to the upper one before the pair
// is put in order, so reversed bounds give max+1 ... min-1. 64-bit, so that
// bounds at the ends of the integer range cannot overflow.
struct int_range {
    int64_t low;
    int64_t size;  // 0 when min is max + 1: nothing to draw from
};

constexpr int_range int_range_of(double min, double max) {
    int64_t a = int_part(min);
    int64_t b = static_cast<int64_t>(int_part(max)) + 1;
    if (a > b) std::swap(a, b);
    return {a, b - a};
}

// The offset in 0 ... size-1 that an integer-LCG state picks (size >= 1): the
// state read as a fraction of 2^32, times the size, truncated. The product
// stays below `size` in double precision for every state and size here.
constexpr int64_t int_lcg_pick(uint32_t state, int64_t size) {
    return static_cast<int64_t>(static_cast<double>(state) * (1.0 / 4294967296.0) *
                                static_cast<double>(size));
}

// ---- Chances of the noise LCG ----------------------------------------------

// The draw of a word, its value moved into [0, 1]: (value + 1) * 0.5. Halving
// is exact and commutes with rounding, so the centred integer times 2^-31
// plus 0.5 is the same float for every word, one multiplication fewer.
constexpr float unit_draw(uint32_t word) {
    const auto centred = static_cast<int32_t>(word & 0x7FFFFFFFu) - 0x40000000;
    return static_cast<float>(centred) * 4.656612873077393e-10f + 0.5f;
}

// The draw grows with the low 31 bits of the word, so the words whose draw is
// under a chance g are those whose low 31 bits are under the bound returned
// here (found by bisection; 0 for a chance of 0 or less, or NaN).
constexpr uint32_t draws_below(float g) {
    if (!(g > 0)) return 0;
    uint32_t lo = 0, hi = 0x80000000u;
    while (lo < hi) {
        const uint32_t mid = lo + (hi - lo) / 2;
        if (unit_draw(mid) < g) {
            lo = mid + 1;
        } else {
            hi = mid;
        }
    }
    return lo;
}

}  // namespace vesh
