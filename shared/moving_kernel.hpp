// The running sum of the moving-window classes (mov.avg~, mov.rms~): one add
// and one subtract per sample, whatever the window length. Host-independent;
// moving.hpp makes the classes around it.
#pragma once

#include "block.hpp"
#include "numbers.hpp"

#include <cmath>

namespace vesh::moving {

// Largest buffer, in values.
inline constexpr int size_limit = 192000000;

// From this magnitude on a value is not taken into the sum lastingly: once it
// has left the window the sum is worked out again from the ring, so that
// neither a NaN or an infinity (which no subtraction removes) nor the
// rounding left behind by a huge value outlives it. 2^65, where the
// big-or-small test starts calling a value huge.
inline constexpr double huge = 36893488147419103232.0;

// The window over the last n values entered into a ring of doubles. The ring
// is never cleared: after each restart positions 0 .. n-1 are written, in
// order, before the first one is read back.
struct Sum {
    double sum;
    int count;    // values entered since the restart, at most the window
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

    // Enters v into a window of n >= 1 values and gives the sum over it
    // (values not yet entered count as 0).
    double enter(double *ring, double v, int n) {
        sum += v;
        if (count < n) {
            count++;
        } else {
            sum -= ring[pos];
        }
        ring[pos] = v;
        if (++pos == n) pos = 0;
        if (!(std::fabs(v) < huge)) {
            tainted = n;
        } else if (tainted && --tainted == 0) {
            sum = resum(ring, n);
        }
        return sum;
    }

    // The sum over the ring, oldest value first, as a fresh fill adds them.
    double resum(const double *ring, int n) const {
        double s = 0;
        int k = count < n ? 0 : pos;
        for (int i = 0; i < count; i++) {
            s += ring[k];
            if (++k == n) k = 0;
        }
        return s;
    }
};

// The window of one sample: the inlet's value truncated, 1 .. size (NaN 1).
inline int window_of(float w, int size) {
    return to_count(w, 1, size);
}

// A block: each sample's value from Policy::value, its output from
// Policy::out(sum, ring, v, n); the window inlet read per sample unless it
// holds for the block.
template <typename Policy>
void run(Sum &s, double *ring, int size, int n, const sample *in, const sample *w, sample *out) {
    if (holds(w, n)) {
        const int window = window_of(w[0], size);
        s.follow(window);
        for (int i = 0; i < n; i++) out[i] = Policy::out(s, ring, Policy::value(in[i]), window);
        return;
    }
    for (int i = 0; i < n; i++) {
        const double v = Policy::value(in[i]);
        const int window = window_of(w[i], size);
        s.follow(window);
        out[i] = Policy::out(s, ring, v, window);
    }
}

}  // namespace vesh::moving
