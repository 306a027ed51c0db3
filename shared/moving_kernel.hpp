// The running sum of the moving-window classes (mov.avg~, mov.rms~): one add
// and one subtract per sample, whatever the window length. Host-independent;
// moving.hpp makes the classes around it.
#pragma once

#include "block.hpp"
#include "numbers.hpp"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

namespace vesh::moving {

// Largest buffer, in samples.
inline constexpr int size_limit = 192000000;

// From this magnitude on a value is not taken into the sum lastingly: once it
// has left the window the sum is worked out again from the ring, so that
// neither a NaN or an infinity (which no subtraction removes) nor the
// rounding left behind by a huge value outlives it. 2^65, where the
// big-or-small test starts calling a value huge.
inline constexpr double huge = 36893488147419103232.0;

// Inputs below 2^32 give values below `huge` in every class (mov.rms~ enters
// x * x): a block of them needs no watching. Found from the bit patterns,
// which order like the magnitudes (NaN above infinity): a pattern below the
// limit's leaves the difference positive, so one OR over the block, sixteen
// bytes at a time, shows whether any sample reached it.
inline bool ordinary(const sample *in, int n) {
    using bits = std::conditional_t<sizeof(sample) == 4, int32_t, int64_t>;
    using lanes = bits __attribute__((vector_size(16)));
    constexpr int width = sizeof(lanes) / sizeof(bits);
    constexpr bits magnitude = std::numeric_limits<bits>::max();
    const bits below = std::bit_cast<bits>(static_cast<sample>(4294967296.0)) - 1;
    lanes reached_lanes = {};
    int i = 0;
    for (; i + width <= n; i += width) {
        lanes v;
        std::memcpy(&v, in + i, sizeof v);
        reached_lanes |= below - (v & magnitude);
    }
    bits reached = 0;
    for (int k = 0; k < width; k++) reached |= reached_lanes[k];
    for (; i < n; i++) reached |= below - (std::bit_cast<bits>(in[i]) & magnitude);
    return reached >= 0;
}

// How a class enters its input: the sample it keeps in the ring (`kept`)
// and the double-precision value that sample stands for in the sum
// (`value`). Keeping the sample rather than the value halves the ring; the
// value is worked out again, exactly, when it leaves the window.
//
// mov.avg~: the average of the samples (or of their magnitudes); a window of
// one passes the value through and leaves the sum alone.
template <bool Absolute>
struct average {
    static constexpr bool one_passes = true;
    static constexpr bool costly_out = false;
    static sample kept(sample x) { return Absolute ? std::fabs(x) : x; }
    static double value(sample kept) { return kept; }
    static sample out(double sum, int n) { return static_cast<sample>(sum / n); }
};

// mov.rms~: the root of the mean square, or 20 log10 of it (at least -999;
// silence reads -999).
template <bool Db>
struct rms {
    static constexpr bool one_passes = false;
    static constexpr bool costly_out = true;  // a division and a root a sample
    static sample kept(sample x) { return x; }
    static double value(sample kept) { return static_cast<double>(kept) * kept; }
    static sample level(double root) {
        if constexpr (Db) {
            return static_cast<sample>(std::fmax(8.685889638065209 * std::log(root), -999));
        }
        return static_cast<sample>(root);
    }
    static sample out(double sum, int n) {
        const double mean = sum / n;
        return level(mean > 0 ? std::sqrt(mean) : 0.0);
    }
    // The same for a finite sum, without a branch, so that runs of it become
    // vector code: clearing a negative mean (and -0) to +0 by its sign bit.
    static sample out_finite(double sum, int n) {
        const int64_t bits = std::bit_cast<int64_t>(sum / n);
        return level(std::sqrt(std::bit_cast<double>(bits & ~(bits >> 63))));
    }
};

// The window over the last n samples kept in a ring. The ring is never
// cleared: after each restart positions 0 .. n-1 are written, in order,
// before the first one is read back.
struct Sum {
    double sum;
    int count;    // samples entered since the restart, at most the window
    int pos;      // next position to write
    int window;   // the window length of the previous sample
    int tainted;  // samples until the latest huge value has left the window

    void restart() {
        sum = 0;
        count = 0;
        pos = 0;
        tainted = 0;
    }

    // A window length other than the previous sample's starts over.
    void follow(int n) {
        if (n != window) {
            window = n;
            restart();
        }
    }

    // Enters x into a window of n >= 1 samples and gives the sum of their
    // values (samples not yet entered count as 0). Watched: a huge value is
    // noted and the sum worked out again once it has left; unwatched, the
    // caller knows that neither the sample nor the window holds one.
    template <typename Policy, bool Watched = true>
    double enter(sample *ring, sample x, int n) {
        const sample k = Policy::kept(x);
        const double v = Policy::value(k);
        sum += v;
        if (count < n) {
            count++;
        } else {
            sum -= Policy::value(ring[pos]);
        }
        ring[pos] = k;
        if (++pos == n) pos = 0;
        if constexpr (Watched) {
            if (!(std::fabs(v) < huge)) {
                tainted = n;
            } else if (tainted && --tainted == 0) {
                sum = resum<Policy>(ring, n, count, pos);
            }
        }
        return sum;
    }

    // The sum over the ring, oldest value first, as a fresh fill adds them.
    // Out of line and apart from the record, so that the record of a running
    // block can live in registers.
    template <typename Policy>
    [[gnu::noinline]] static double resum(const sample *ring, int n, int count, int pos) {
        double s = 0;
        int k = count < n ? 0 : pos;
        for (int i = 0; i < count; i++) {
            s += Policy::value(ring[k]);
            if (++k == n) k = 0;
        }
        return s;
    }
};

// The window of one sample: the inlet's value truncated, 1 .. size (NaN 1).
inline int window_of(sample w, int size) {
    return to_count(w, 1, size);
}

// The outputs of a run of sums, eight at a time, which the compiler turns
// into vector divisions and roots: those, not the running sum, would
// otherwise set the pace. Unwatched sums are finite.
template <typename Policy, bool Watched>
void out_run(const double *sums, int m, int n, sample *out) {
    int i = 0;
    if constexpr (!Watched) {
        for (; i + 8 <= m; i += 8) {
            for (int k = 0; k < 8; k++) out[i + k] = Policy::out_finite(sums[i + k], n);
        }
    }
    for (; i < m; i++) out[i] = Policy::out(sums[i], n);
}

// A block of a held window, on a copy of the state which the compiler keeps
// in registers (stores into the ring could alias the object's fields). A
// costly output is worked out in a second pass over a stretch of sums; every
// input of a stretch is read before its outputs are written. Short stretches
// let the divisions and roots of one overlap the running sum of the next.
template <typename Policy, bool Watched>
void run_held(Sum &s, sample *ring, int window, int n, const sample *in, sample *out) {
    Sum t = s;
    if constexpr (!Policy::costly_out) {
        for (int i = 0; i < n; i++) {
            out[i] = Policy::out(t.enter<Policy, Watched>(ring, in[i], window), window);
        }
    } else {
        constexpr int stretch = 16;
        double sums[stretch];
        for (int start = 0; start < n; start += stretch) {
            const int m = n - start < stretch ? n - start : stretch;
            for (int i = 0; i < m; i++) {
                sums[i] = t.enter<Policy, Watched>(ring, in[start + i], window);
            }
            out_run<Policy, Watched>(sums, m, window, out + start);
        }
    }
    s = t;
}

// A block: each sample entered as the policy keeps it, the output from the
// sum by Policy::out. The window inlet is read per sample unless it holds
// for the block; a held window over ordinary input skips the watch for huge
// values.
template <typename Policy>
void run(Sum &s, sample *ring, int size, int n, const sample *in, const sample *w, sample *out) {
    if (holds(w, n)) {
        const int window = window_of(w[0], size);
        s.follow(window);
        if (Policy::one_passes && window <= 1) {
            for (int i = 0; i < n; i++) out[i] = Policy::kept(in[i]);
        } else if (s.tainted || !ordinary(in, n)) {
            run_held<Policy, true>(s, ring, window, n, in, out);
        } else {
            run_held<Policy, false>(s, ring, window, n, in, out);
        }
        return;
    }
    for (int i = 0; i < n; i++) {
        const sample x = in[i];
        const int window = window_of(w[i], size);
        s.follow(window);
        out[i] = Policy::one_passes && window <= 1
                     ? Policy::kept(x)
                     : Policy::out(s.enter<Policy>(ring, x, window), window);
    }
}

}  // namespace vesh::moving
