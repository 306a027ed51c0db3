// Waveshaping and equal-power mixing: the per-sample laws of drive~, xfade~,
// xgate2~ and pan4~. Sines and cosines are taken in double precision; each
// result is narrowed to a float once.
//
// Host-independent: no host header.
#pragma once

#include <cmath>

namespace vesh::mixing {

constexpr double half_pi = 1.5707963267948966;

// ---- Saturation ----------------------------------------------------------

// A negative drive amount counts as 0, and so does NaN.
inline double drive_amount(float d) {
    return d > 0 ? static_cast<double>(d) : 0.0;
}

// Mode 0: a hyperbolic tangent of the driven input.
inline float saturate(float x, float d) {
    return static_cast<float>(std::tanh(static_cast<double>(x) * drive_amount(d)));
}

// Mode 1: clipped at +-1; below a drive of 1 a plain gain, from 1 on a power
// curve bending toward the rails (1 leaves the signal as it is).
inline float bend(float x, float d) {
    if (x >= 1) return 1;
    if (x <= -1) return -1;
    const double a = drive_amount(d);
    const double v = x;
    if (a < 1) return static_cast<float>(v * a);
    return static_cast<float>(v > 0 ? 1.0 - std::pow(1.0 - v, a) : std::pow(v + 1.0, a) - 1.0);
}

// ---- Equal-power laws ------------------------------------------------------

// The two gains of a position e from 0 to 1: cos and sin of e * pi/2.
struct equal_power {
    double near;  // cos: all of it at 0
    double far;   // sin: all of it at 1

    explicit equal_power(double e) : near(std::cos(e * half_pi)), far(std::sin(e * half_pi)) {}
};

// A control value limited to -1..1; NaN reads as -1.
inline float clamp_unit(float v) {
    return !(v >= -1) ? -1.0f : v > 1 ? 1.0f : v;
}

// The crossfade of xfade~: group A alone at -1, group B alone at 1.
struct crossfade {
    equal_power law;
    bool b_only;  // at exactly 1 the cosine's residue of A is left out

    static float position(float mix) { return (clamp_unit(mix) + 1.0f) * 0.5f; }
    explicit crossfade(float mix) : law(position(mix)), b_only(position(mix) == 1.0f) {}

    float operator()(float a, float b) const {
        const double far = static_cast<double>(b) * law.far;
        return static_cast<float>(b_only ? far : static_cast<double>(a) * law.near + far);
    }
};

// The four-speaker law of pan4~ for an x and a y position. Outlets, in order:
// (-1, -1), (-1, 1), (1, 1), (1, -1).
struct pan4_law {
    enum class depth { front_only, back_only, both } split;
    equal_power fb;   // front/back, from y
    equal_power lr;   // left/right, from x
    bool right_only;  // x at exactly 1: nothing on the left pair

    static float across(float x) { return (clamp_unit(x) + 1.0f) * 0.5f; }
    static float along(float y) { return (y + 1.0f) * 0.5f; }
    static depth split_of(float y) {
        if (!(y >= -1)) return depth::front_only;  // NaN as well
        if (y > 1 || along(y) == 1.0f) return depth::back_only;
        return depth::both;
    }
    pan4_law(float x, float y)
        : split(split_of(y)),
          fb(split == depth::both ? along(y) : 0.0),
          lr(across(x)),
          right_only(across(x) == 1.0f) {}

    void operator()(float s, float out[4]) const {
        float front = s, back = 0;
        if (split == depth::back_only) {
            front = 0;
            back = s;
        } else if (split == depth::both) {
            front = static_cast<float>(s * fb.near);
            back = static_cast<float>(s * fb.far);
        }
        out[0] = right_only ? 0.0f : static_cast<float>(front * lr.near);
        out[1] = right_only ? 0.0f : static_cast<float>(back * lr.near);
        out[2] = static_cast<float>(back * lr.far);
        out[3] = static_cast<float>(front * lr.far);
    }
};

}  // namespace vesh::mixing
