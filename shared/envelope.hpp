// Engine of the gated envelope generators: segment times in whole samples,
// the exponential segment coefficient, and the status reports that the
// signal stream produces.
#pragma once

#include <m_pd.h>

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

// A time in milliseconds as the nearest whole number of samples, halves away
// from zero, at least 1 (negative and NaN times give 1).
inline double segment_samples(float ms, float samples_per_ms) {
    const double x = static_cast<double>(ms) * samples_per_ms;  // exact
    if (!(x >= 1.5)) return 1.0;
    if (x >= longest_segment) return longest_segment;
    return std::round(x);
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

// Status reports (1 at an onset, 0 when a release ends) found while a block
// is computed. They cannot be sent from inside the signal tick, where a
// receiver could change the signal graph, so they wait for a clock set to
// 0 ms. Onsets only happen while idle and ends only while active, so the
// reports of a block alternate: the first value and a count describe them.
struct Status {
    t_outlet *outlet;
    t_clock *clock;
    int first;
    int pending;

    // From the perform routine.
    void push(int value) {
        if (pending++ == 0) first = value;
    }
    void arm() {
        if (pending) clock_delay(clock, 0);
    }
    // Sends what is waiting, in order. Cleared first: a receiver may answer
    // with a new gate, which sends again.
    void flush() {
        clock_unset(clock);
        const int count = pending;
        int value = first;
        pending = 0;
        for (int k = 0; k < count; k++, value = !value) outlet_float(outlet, value);
    }
    // From a message: what the signal stream reported comes first.
    void send_now(int value) {
        if (pending) flush();
        outlet_float(outlet, value);
    }
};

// One sample with the gate off. The release starts where the gate went off:
// linear, it falls to 0 in R samples and ends on the sample after; in the
// exponential mode it ends once the level is below -120 dB. The end of an
// active envelope is reported as 0.
template <bool Log>
inline void release_sample(float &level, double &step, int &count, int64_t &active, int &gate_state,
                           Segment &release, float release_ms, float samples_per_ms,
                           Status &status) {
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
