// The level meters (vu~, peak~): their window and period rules, the raised
// cosine window, the running partial sums of the windowed power, and the
// reading in dB. Host-independent; the classes report from a clock.
#pragma once

#include "block.hpp"
#include "numbers.hpp"

#include <cmath>

namespace vesh::meter {

inline constexpr int default_points = 1024;

// A period above npoints / 32 keeps at most 32 windows pending at once.
inline constexpr int most_pending = 32;

// Longest analysis window of vu~: beyond 2^24 points a sample's share of a
// window (2 / npoints at most) is lost against a single-precision partial
// sum near 1, so a longer window would only cost memory.
inline constexpr int longest_window = 1 << 24;

// Shortest run of zeros after the window.
inline constexpr int least_padding = 64;

// What reads as silence in dB.
inline constexpr float floor_db = -999;

struct Periods {
    int npoints;
    int period;
};

// npoints: 1024 below 1 (and for NaN), otherwise at least the block and at
// most `longest`. period: npoints / 2 below 1 (and for NaN), otherwise at
// least npoints / 32 + 1.
inline Periods periods(float n, float p, int block, int longest) {
    Periods r;
    if (!(n >= 1)) {
        r.npoints = default_points;
    } else {
        const int points = to_count(n, 1, longest);
        r.npoints = points > block ? points : block;
    }
    r.period = !(p >= 1) ? r.npoints / 2 : to_count(p, 1, index_limit);
    if (r.period <= r.npoints / most_pending) r.period = r.npoints / most_pending + 1;
    return r;
}

// The period raised to a whole number of blocks.
inline int whole_blocks(int period, int block) {
    const int part = period % block;
    return part ? period + block - part : period;
}

// A level in dB: scale * ln(v) at least -999, with 0 or less (and NaN) at
// -999 and exactly 1 at 0. The scale is 20/ln 10 for an amplitude, 10/ln 10
// for a power.
inline float decibels(double v, double scale) {
    if (v <= 0) return floor_db;
    if (v == 1) return 0;
    return static_cast<float>(std::fmax(scale * std::log(v), floor_db));
}
inline constexpr double amplitude_db = 8.685889638065209;
inline constexpr double power_db = 4.3429448190326045;

// The raised cosine of npoints values, normalised to a sum of 1, then zeros
// up to `size`.
inline void fill_window(sample *w, int npoints, int size) {
    for (int k = 0; k < npoints; k++) {
        w[k] = static_cast<sample>((1.0 - std::cos(6.28318 * k / npoints)) / npoints);
    }
    for (int k = npoints; k < size; k++) w[k] = 0;
}

// The largest |x| of a block, starting from `peak`; NaN is passed over.
inline sample block_peak(const sample *in, int n, sample peak) {
    for (int i = 0; i < n; i++) {
        const sample a = std::fabs(in[i]);
        peak = a > peak ? a : peak;
    }
    return peak;
}

// The windowed power of overlapping windows, one partial sum per window in
// progress. Window j has reached offset phase + j * period; a block adds
// w[offset + i] * x[n-1-i]^2 for each sample (the window's zeros take the
// part that runs past npoints).
struct PartialSums {
    sample sums[most_pending + 1];
    int phase;  // samples until the next report

    void restart() {
        for (sample &s : sums) s = 0;
        phase = 0;
    }

    // Adds a block; true when the oldest window is complete, its power then
    // in `power`. Windows go two at a time: their sums are independent, so
    // their additions overlap.
    bool add(const sample *window, int npoints, int period, const sample *in, int n,
             sample &power) {
        int j = 0, offset = phase;
        for (; offset + period < npoints; offset += 2 * period, j += 2) {
            const sample *w0 = window + offset, *w1 = w0 + period;
            sample s0 = sums[j], s1 = sums[j + 1];
            for (int i = 0; i < n; i++) {
                const sample x = in[n - 1 - i];
                const sample square = x * x;
                s0 += w0[i] * square;
                s1 += w1[i] * square;
            }
            sums[j] = s0;
            sums[j + 1] = s1;
        }
        if (offset < npoints) {
            const sample *w = window + offset;
            sample s = sums[j];
            for (int i = 0; i < n; i++) {
                const sample x = in[n - 1 - i];
                s += w[i] * (x * x);
            }
            sums[j++] = s;
        }
        sums[j] = 0;
        phase -= n;
        if (phase >= 0) return false;
        power = sums[0];
        j = 0;
        for (int later = period; later < npoints; later += period, j++) sums[j] = sums[j + 1];
        sums[j] = 0;
        phase = period - n;
        return true;
    }
};

}  // namespace vesh::meter
