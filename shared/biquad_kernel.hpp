// The arithmetic of the biquad filters: the recursion in its two forms, the
// parameter clamps, the terms held while their parameters hold, and the block
// loop that remakes the coefficients only when a parameter changes.
// Host-independent; biquad.hpp binds it to the host.
//
// Each class supplies a design: the number of parameter inlets, the type of
// its coefficients (which also knows how to run one sample of the recursion)
// and `make`, which turns one sample of every parameter into coefficients.
// The core owns the per-sample loop, bypass, the mode flag and the memory.
//
// Coefficients are a pure function of the parameter samples, the mode and the
// Nyquist frequency, so the loop keeps the last set and recomputes only when
// one of those changes: the output is the same bit for bit as recomputing
// every sample, and a changed parameter still acts on the very next sample.
#pragma once

#include "block.hpp"  // sample

#include <math.h>  // sincos

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <initializer_list>

namespace vesh::biquad {

constexpr double pi = 3.141592653589793;
// ln 2 / 2: turns a bandwidth in octaves into the argument of sinh.
constexpr double half_ln2 = 0.34657359027997264;
// pi / (1000 ln 1000): Q of a resonance that falls by 60 dB in t ms is t * f * this.
constexpr double t60_to_q = 0.0004547921179472805;

// Previous inputs and outputs, kept in double.
struct memory {
    double x1, x2, y1, y2;

    void shift(double x, double y) {
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
    }
};

// A value that cannot come back out of the recursion by itself (an overflowed
// gain, a NaN input) is dropped so that the filter recovers on the next block.
inline void drop_non_finite(memory &m) {
    for (double *v : {&m.x1, &m.x2, &m.y1, &m.y2}) {
        if (!std::isfinite(*v)) *v = 0;
    }
}

// The direct form with a0 kept: y = (b0 x + b1 x1 + b2 x2 - a1 y1 - a2 y2) / a0.
struct direct {
    double b0, b1, b2, a0, a1, a2;
    bool pass;  // output the input unchanged while the recursion keeps running

    double step(memory &m, double x) const {
        const double y = (b0 * x + b1 * m.x1 + b2 * m.x2 - a1 * m.y1 - a2 * m.y2) / a0;
        m.shift(x, y);
        return y;
    }
};

// The constant-skirt resonator with peak gain Q, in its own order of operations:
// y = (2 cos w y1 + (alpha - 1) y2 + Q alpha (x - x2)) / (1 + alpha).
struct resonator {
    double two_cos, alpha_minus_1, q_alpha, one_plus_alpha;

    static resonator make(double q, double cos_w, double sin_w) {
        const double alpha = sin_w / (2 * q);
        return {2 * cos_w, alpha - 1, q * alpha, 1 + alpha};
    }

    double step(memory &m, double x) const {
        const double y =
            (two_cos * m.y1 + alpha_minus_1 * m.y2 + q_alpha * (x - m.x2)) / one_plus_alpha;
        m.shift(x, y);
        return y;
    }
};

// ---- Parameter clamps ---------------------------------------------------

// Written so that a NaN lands on the bound rather than in the coefficients.
inline double at_least(double v, double lo) {
    return v > lo ? v : lo;
}
inline double at_most(double v, double hi) {
    return v < hi ? v : hi;
}

// Frequency kept strictly inside (0, nyquist) by `margin`.
inline double inside_band(double f, float nyquist, double margin) {
    return at_most(at_least(f, margin), nyquist - margin);
}

// The same, as radians per sample.
inline double angular(double f, float nyquist, double margin) {
    return inside_band(f, nyquist, margin) * pi / nyquist;
}

// Q of the second parameter inlet; `mode` 1 reads it as a bandwidth in octaves.
// The result may fall below 1e-6 only in bandwidth mode, when sinh overflows.
inline double q_or_bandwidth(double p, int mode, double w, double sin_w) {
    p = at_least(p, 1e-6);
    if (mode == 0) return p;
    return 0.5 / std::sinh(half_ln2 * p * w / sin_w);
}

// alpha = sin w / (2 Q), with Q from the second parameter inlet kept at least 1e-6.
inline double alpha_of(double p, int mode, double w, double sin_w) {
    return sin_w / (2 * at_least(q_or_bandwidth(p, mode, w, sin_w), 1e-6));
}

// A Q below 1e-6 (or none at all) has no band to pass: the input goes through
// as it came while the recursion keeps running at the smallest Q.
struct floored_q {
    double q;
    bool pass;
};

inline floored_q pass_below_floor(double q) {
    const bool pass = !(q >= 1e-6);
    return {pass ? 1e-6 : q, pass};
}

// ---- Terms that depend on two of the parameters only ---------------------

// While only the frequency moves, the costly terms of the gain, slope or times
// (powers, roots, logarithms) stay what they were; they are worked out again
// only when one of their own two parameters changes.
template <typename Terms>
struct held {
    Terms value;
    uint32_t first, second;
    bool made;

    template <typename Make>
    const Terms &get(float a, float b, Make make) {
        const uint32_t ka = std::bit_cast<uint32_t>(a), kb = std::bit_cast<uint32_t>(b);
        if (!made || ka != first || kb != second) {
            value = make();
            first = ka;
            second = kb;
            made = true;
        }
        return value;
    }
};

struct no_terms {};

// Gain factor A = 10^(gain/40) of a shelf, and the root whose product with
// sin w is beta (= 2 sqrt(A) alpha); the slope is kept within [1e-6, 1].
struct shelf {
    double a, root;

    static shelf make(double slope, double gain) {
        slope = at_least(at_most(slope, 1), 1e-6);
        const double a = std::pow(10, gain * 0.025);
        const double a2 = std::pow(100, gain * 0.025);
        return {a, std::sqrt((a2 + 1) * (1 / slope - 1) + 2 * a)};
    }
};

// ---- The state every class embeds as its field `filter` ---------------

template <typename Design>
struct core {
    static constexpr int parameters = Design::parameters;
    using coefficients = typename Design::coefficients;
    using state = typename Design::state;
    using design = Design;

    float nyquist;
    int bypass;
    int mode;
    state memory;

    typename Design::terms terms;
    // The coefficients in use and what they were made from.
    coefficients current;
    uint32_t made_from[parameters];
    int made_mode;
    float made_nyquist;
    bool made;
};

// One block: `in` and `out` may be the same vector, so each input sample is
// read before its output sample is written.
template <typename Design>
inline void run(core<Design> &s, int n, const sample *in, const sample *const *parameters,
                sample *out) {
    constexpr int P = Design::parameters;
    const int mode = s.mode;
    const bool bypass = s.bypass != 0;
    const float nyquist = s.nyquist;
    bool made = s.made && s.made_mode == mode && s.made_nyquist == nyquist;
    uint32_t made_from[P];
    for (int k = 0; k < P; k++) made_from[k] = s.made_from[k];
    typename Design::coefficients c = s.current;
    typename Design::state m = s.memory;

    for (int i = 0; i < n; i++) {
        float p[P];
        bool same = made;
        for (int k = 0; k < P; k++) {
            p[k] = static_cast<float>(parameters[k][i]);
            const uint32_t bits = std::bit_cast<uint32_t>(p[k]);
            same = same && bits == made_from[k];
            made_from[k] = bits;
        }
        if (!same) {
            c = Design::make(p, mode, nyquist, s.terms);
            made = true;
        }
        const sample x = in[i];
        const auto y = static_cast<sample>(c.step(m, x));
        out[i] = (bypass || c.pass) ? x : y;
    }

    Design::recover(m);
    s.memory = m;
    s.current = c;
    for (int k = 0; k < P; k++) s.made_from[k] = made_from[k];
    s.made_mode = mode;
    s.made_nyquist = nyquist;
    s.made = made;
}

// Direct-form design whose first parameter is the frequency. `Cook` supplies
// the frequency margin, its held terms and the coefficients from the
// parameters, w, cos w and sin w.
template <typename Cook, int P>
struct cookbook {
    static constexpr int parameters = P;
    using coefficients = direct;
    using state = memory;
    using terms = typename Cook::terms;

    static direct make(const float (&p)[P], int mode, float nyquist, terms &t) {
        const double w = angular(p[0], nyquist, Cook::margin);
        double sin_w, cos_w;
        ::sincos(w, &sin_w, &cos_w);
        return Cook::coefficients(p, mode, w, cos_w, sin_w, t);
    }

    static void recover(memory &m) { drop_non_finite(m); }
};

}  // namespace vesh::biquad
