// Arithmetic of the gated envelope generators: segment times in whole
// samples, the exponential segment coefficient, and the steps at which the
// gate goes on and off. Host-independent; envelope.hpp adds the status
// reports that go out through the host.
//
// The steps report through any `status` with push(int): 1 at an onset, 0
// when a release ends.
#pragma once

#include "numbers.hpp"

#include <cmath>
#include <cstdint>

namespace vesh::envelope {

// ln(0.001): an exponential segment covers 99.9% of its distance in its
// nominal time.
inline constexpr double log_thousandth = -6.907755278982137;

// An exponential release never reaches 0 by itself; below -120 dB it is over.
inline constexpr float log_release_floor = 1e-6f;

// Longest segment in samples (about 6.7 hours at 44.1 kHz); attack plus decay
// must still fit in an int.
inline constexpr double longest_segment = 1073741823.0;

// A time in milliseconds as whole samples by the library's rule
// (ms_to_samples), at least 1 (negative and NaN times give 1) and at most
// longest_segment.
inline double segment_samples(float ms, float samples_per_ms) {
    const int s = ms_to_samples(ms, samples_per_ms);
    if (s < 1) return 1.0;
    return s < longest_segment ? s : longest_segment;
}

// One segment-time input. The time may be a signal, but it is nearly always
// constant, so the conversion (and the exp() of the exponential mode) is
// redone only when the input value changes.
struct Segment {
    float ms;
    double samples;
    double coefficient;  // per-sample factor of the exponential segment
    bool coefficient_known;

    // Forget the cached values (the sample rate changed).
    void reset() {
        ms = NAN;
        samples = 1.0;
        coefficient_known = false;
    }
    double length(float input, float samples_per_ms) {
        if (input != ms) {
            ms = input;
            const double s = segment_samples(input, samples_per_ms);
            if (s != samples) {
                samples = s;
                coefficient_known = false;
            }
        }
        return samples;
    }
    // The factor by which the distance to the target shrinks each sample.
    double factor(float input, float samples_per_ms) {
        length(input, samples_per_ms);
        if (!coefficient_known) {
            coefficient = std::exp(log_thousandth / samples);
            coefficient_known = true;
        }
        return coefficient;
    }
};

// The first sample with the gate on. The peak is the float gate when one is
// set, else the signal's; an idle envelope becomes active and reports 1. The
// attack runs from the current level to the peak in `attack` samples, and
// `count` covers the attack plus the `more` samples of what follows it.
template <typename Report>
inline void gate_on_sample(float g, float gate, float level, double attack, double more,
                           float &peak, double &step, int &count, int64_t &active, Report &status) {
    peak = gate != 0 ? gate : g;
    if (!active) {
        active = 1;
        status.push(1);
    }
    count = static_cast<int>(attack + more);
    step = (static_cast<double>(peak) - level) / attack;
}

// One sample with the gate off. The release starts where the gate went off:
// linear, it falls to 0 in R samples and ends on the sample after; in the
// exponential mode it ends once the level is below -120 dB. The end of an
// active envelope is reported as 0.
template <bool Log, typename Report>
inline void release_sample(float &level, double &step, int &count, int64_t &active, int &gate_state,
                           Segment &release, float release_ms, float samples_per_ms,
                           Report &status) {
    if (gate_state) {
        const double r = release.length(release_ms, samples_per_ms);
        step = -static_cast<double>(level) / r;
        count = static_cast<int>(r);
    }
    if constexpr (Log) {
        level = static_cast<float>(level * release.factor(release_ms, samples_per_ms));
        if (std::fabs(level) < log_release_floor) {
            if (active) status.push(0);
            level = 0;
            active = 0;
            count = 0;
        }
    } else if (count < 1) {
        if (active) status.push(0);
        level = 0;
        active = 0;
    } else {
        count--;
        level = static_cast<float>(level + step);
    }
    gate_state = 0;
}

}  // namespace vesh::envelope
