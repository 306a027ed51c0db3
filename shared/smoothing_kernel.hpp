// The arithmetic of the decay and smoothing classes: the per-sample decay
// factor of a time in ms (kept while the time holds), the normalisation of a
// difference of two decays, the glide and its curve, and the slew limit.
// Host-independent.
#pragma once

#include "block.hpp"    // sample
#include "numbers.hpp"  // ms_to_samples

#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <type_traits>

namespace vesh::smoothing {

// ln 1000: a signal multiplied by exp(-ln_1000 / N) every sample falls by
// 60 dB in N samples.
constexpr double ln_1000 = 6.907755278982137;
// 1000 ln 1000: the same as a rate per second of a time in ms.
constexpr double ln_1000_per_s = 6907.755278982137;
constexpr double e = 2.718281828459045;

// The factor a(T) by which a decay of T ms falls per sample, computed in
// double: exp(-ln 1000 / (T * samples per ms)).
inline double decay_factor(double time_ms, float samples_per_ms) {
    return std::exp(-ln_1000 / (time_ms * samples_per_ms));
}

// One step of a one-pole approach to x with the factor a.
inline double approach(double y, double x, double a) {
    return x + (y - x) * a;
}

using sample_bits = std::conditional_t<sizeof(sample) == 8, uint64_t, uint32_t>;

inline sample_bits bits_of(sample t) {
    return std::bit_cast<sample_bits>(t);
}

// The decay factor of a time inlet, worked out again only when the time
// sample changes (compared bit for bit) or the sample rate does: the same
// value as computing it every sample, without an exponential per sample.
struct held_factor {
    float samples_per_ms;
    sample_bits time;
    double factor;
    bool made;

    void set_rate(float spms) {
        samples_per_ms = spms;
        made = false;
    }

    double of(sample t) {
        const sample_bits b = bits_of(t);
        if (!made || b != time) {
            factor = decay_factor(t, samples_per_ms);
            time = b;
            made = true;
        }
        return factor;
    }
};

// The factors of a lag with separate rise and fall times.
struct rise_fall {
    held_factor rise, fall;

    // The rise applies while the input is at or above the output.
    static bool rising(double x, double y) { return x >= y; }

    void set_rate(float spms) {
        rise.set_rate(spms);
        fall.set_rate(spms);
    }
    double factor(bool up, sample time) { return up ? rise.of(time) : fall.of(time); }
};

// How the difference of an attack decay and a decay decay is brought to a
// peak of 1, for two positive times.
//
// Unequal times: the envelopes exp(-kd t) - exp(-ka t) (k = 1000 ln 1000 / T
// per second) peak at t* = ln(ka / kd) / (ka - kd); the difference is scaled
// by the reciprocal of that peak. Equal times make that 0/0; the output is
// then the limit as the times approach each other, the impulse response
// k t e^(1 - k t). At sample n (t = n / sr) that is n r e a^n with
// r = ln 1000 / (T * samples per ms) the per-sample rate and a = exp(-r), so
// it is `ramp_gain` times a ramp state w[n] = a (w[n-1] + y[n-1]) fed by the
// decay state y.
struct pair_gain {
    bool equal;
    double scale;      // unequal times
    double ramp_gain;  // equal times: r e

    static pair_gain make(double ta, double td, float samples_per_ms) {
        if (ta == td) return {true, 0, ln_1000 / (td * samples_per_ms) * e};
        const double ka = ln_1000_per_s / ta, kd = ln_1000_per_s / td;
        const double peak = std::log(ka / kd) / (ka - kd);
        return {false, std::fabs(1 / (std::exp(-kd * peak) - std::exp(-ka * peak))), 0};
    }
};

// The same, kept while both times hold (bit for bit) and the rate stays.
struct held_pair_gain {
    float samples_per_ms;
    sample_bits attack, decay;
    pair_gain gain;
    bool made;

    void set_rate(float spms) {
        samples_per_ms = spms;
        made = false;
    }

    const pair_gain &of(sample ta, sample td) {
        const sample_bits a = bits_of(ta), d = bits_of(td);
        if (!made || a != attack || d != decay) {
            gain = pair_gain::make(ta, td, samples_per_ms);
            attack = a;
            decay = d;
            made = true;
        }
        return gain;
    }
};

// The impulse of the decay classes: a float or bang asks for it, and it
// replaces the first input sample of the next block.
struct impulse {
    double value;  // 1 until a float sets it
    int pending;

    double first(sample x) {
        if (!pending) return x;
        pending = 0;
        return value;
    }
};

// ---- Lags ---------------------------------------------------------------

// One block of a lag. `step(y, x, i)` is the class's own step for sample i;
// a pending reset makes the first sample the input itself. A state that is
// no longer finite is dropped at the end of the block.
template <typename Step>
inline void lag_run(double &state, int &reset, int n, const sample *in, sample *out, Step step) {
    double y = state;
    if (reset) {
        reset = 0;
        y = vesh::recur_after(
            y, n, in, out, [](double, double x) { return x; }, step);
    } else {
        y = vesh::recur(y, n, in, out, step);
    }
    state = std::isfinite(y) ? y : 0;
}

// ---- Glides ---------------------------------------------------------------

// The curve of a glide at the fraction f of its length: a straight line for
// an exponent of 1 or -1, otherwise a power curve that is mirrored for a
// downward glide (delta <= 0), and mirrored again by a negative exponent.
inline float glide_shape(float f, float exponent, float delta) {
    if (exponent == 1 || exponent == -1) return f;
    if (exponent >= 0) return delta > 0 ? std::pow(f, exponent) : 1 - std::pow(1 - f, exponent);
    return delta > 0 ? 1 - std::pow(1 - f, -exponent) : std::pow(f, -exponent);
}

// Steps after the first of a glide of `ms`: whole samples, halves away from
// zero, kept one below INT_MAX so that the length (steps + 1) stays an int.
inline int glide_steps(float ms, float samples_per_ms) {
    const int steps = ms_to_samples(ms, samples_per_ms);
    return steps < INT_MAX ? steps : INT_MAX - 1;
}

// The curve at the first step of a glide of `steps` + 1 samples (steps >= 0)
// in its direction: all a glide needs of its length when it starts.
inline float first_curve(int steps, float exponent, bool rising) {
    return glide_shape(1.0f / static_cast<float>(steps + 1), exponent, rising ? 1.0f : -1.0f);
}

// A glide in single precision. A new input value starts a glide from the
// current output toward it, over `steps` + 1 samples.
struct glide {
    float last_in, last_out;
    float start, delta;  // delta = target - start
    float exponent;

    // A glide toward x from the current output goes up.
    bool rises_to(float x) const { return x - last_out > 0; }
    bool rising() const { return delta > 0; }

    float at(int k, int length) const {
        // A length shortened during a glide could put k below 0: the curve
        // then holds at its start rather than leave the range of the glide.
        const float f = static_cast<float>(k > 0 ? k : 0) / static_cast<float>(length);
        return start + delta * glide_shape(f, exponent, delta);
    }

    // The first sample of a glide toward x, given the curve at its first
    // step; `remaining` is its step counter.
    float begin(float x, int &remaining, int steps, float first) {
        start = last_out;
        delta = x - start;
        remaining = steps;
        return start + delta * first;
    }

    // The next sample while the input holds: on along the glide, then x.
    float next(float x, int &remaining, int steps) {
        if (remaining <= 0) return x;
        remaining--;
        const int length = steps + 1;
        return at(length - remaining, length);
    }

    void settle(float x, float out) {
        last_out = out;
        last_in = x;
    }

    // At the end of a block: an output that is no longer finite (an infinite
    // or NaN input, a NaN curve) ends the glide, so that the next glide does
    // not start from it. Returns true when it did.
    bool recover() {
        if (std::isfinite(last_out)) return false;
        last_out = std::isfinite(last_in) ? last_in : 0.0f;
        last_in = last_out;
        return true;
    }
};

// Glide lengths held for a block: worked out once, with their curves at the
// first step.
struct held_lengths {
    int up, down;  // steps after the first, by direction
    float up_first, down_first;

    static held_lengths of(int up, int down, float exponent) {
        return {up, down, first_curve(up > 0 ? up : 0, exponent, true),
                first_curve(down > 0 ? down : 0, exponent, false)};
    }
    int steps(int, bool rising) const { return rising ? up : down; }
    float first(int, bool rising, int) const { return rising ? up_first : down_first; }
};

// One glide length for both directions on a straight line (an exponent of 1
// or -1), where the first step is the same either way: held_lengths with up
// and down equal, without the direction it would look at.
struct same_lengths {
    int both;
    float first_step;

    static same_lengths of(int steps) {
        return {steps, first_curve(steps > 0 ? steps : 0, 1, true)};
    }
    int steps(int, bool) const { return both; }
    float first(int, bool, int) const { return first_step; }
};

// Glide lengths read sample by sample: `steps_at(i, rising)` gives them.
template <typename Steps>
struct moving_lengths {
    Steps steps_at;
    float exponent;

    int steps(int i, bool rising) const { return steps_at(i, rising); }
    float first(int, bool rising, int steps) const { return first_curve(steps, exponent, rising); }
};

// One block of a glide. `lengths` gives the steps after the first of a glide
// at sample i in either direction, and its curve at the first step. A new
// input value starts a glide from the current output. With `Split` off (one
// time for both directions) there is one step counter, a length under one
// step passes the input and a reset waits for a glide time meanwhile; with
// `Split` on each direction counts apart, and a reset is served at once.
template <bool Split, typename Lengths>
inline void glide_run(glide &state, int (&counters)[2], int &reset_flag, int n, const sample *in,
                      sample *out, const Lengths lengths) {
    glide g = state;
    int remaining[2] = {counters[0], counters[1]};
    bool reset = reset_flag != 0;
    for (int i = 0; i < n; i++) {
        const auto v = static_cast<float>(in[i]);
        const bool fresh = v != g.last_in;
        const bool rising = fresh ? g.rises_to(v) : g.rising();
        int &left = remaining[Split && !rising ? 1 : 0];
        const int steps = lengths.steps(i, rising);
        float y = v;
        if (!Split && steps <= 0) {
            // No glide time: the input passes, and a reset waits.
        } else if (reset) {
            reset = false;
            remaining[0] = remaining[1] = 0;
        } else if (fresh) {
            y = g.begin(v, left, steps, lengths.first(i, rising, steps));
        } else {
            y = g.next(v, left, steps);
        }
        g.settle(v, y);
        out[i] = y;
    }
    if (g.recover()) remaining[0] = remaining[1] = 0;
    state = g;
    counters[0] = remaining[0];
    counters[1] = remaining[1];
    reset_flag = reset;
}

// At rest on a held input (no glide running, no reset waiting) the output
// is the input: the block is filled with it. Returns false when not at rest.
inline bool rest(glide &g, int remaining, int reset, int n, const sample *in, sample *out) {
    if (remaining > 0 || reset || !holds(in, n, static_cast<sample>(g.last_in))) return false;
    fill(out, n, static_cast<sample>(g.last_in));
    g.last_out = g.last_in;
    return true;
}

// ---- Slew -----------------------------------------------------------------

// y moved toward x by at most `up` (upward) or `down` (downward) per sample;
// a negative or NaN limit means no limit in that direction.
// (A limit of 0 or more bounds d on its own side, so the two tests exclude
// each other and need no branch on the sign of d.)
inline float slew_toward(float y, float x, float up, float down) {
    const float d = x - y;
    const float raised = y + up, lowered = y - down;
    const bool limit_up = up >= 0 && d > up, limit_down = down >= 0 && d < -down;
    return limit_up ? raised : limit_down ? lowered : x;
}

}  // namespace vesh::smoothing
