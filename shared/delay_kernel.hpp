// The feed-forward delay line of ffdelay~: a ring with three guard copies in
// front of it, so that the four-point cubic read never needs a wrap test for
// its neighbours. Host-independent.
//
//   index  0 1 2 | 3 ...................... L+6
//          guard | ring of L+4 positions (the newest L+4 inputs)
#pragma once

#include "big_or_small.hpp"
#include "block.hpp"
#include "numbers.hpp"

#include <algorithm>
#include <cstring>

namespace vesh::delay {

inline constexpr int guard = 3;
inline constexpr int extra = 7;  // values beyond the size: 4 ring positions, 3 guards
inline constexpr int inline_size = 192000;
inline constexpr int longest = index_limit;

// A delay of whole + fraction samples; the cubic read from one sample on,
// the linear one below.
struct Tap {
    int whole;
    sample fraction;
    bool cubic;
};

// The tap of a delay in samples on a line of `size`: negative and NaN
// delays read 0, longer ones than the size read the size.
inline Tap tap_of(sample delay, int size) {
    const sample d = delay > 0 ? delay : 0;
    const bool cubic = d >= 1;
    const sample l = cubic ? d - 1 : d;
    if (!(l < static_cast<sample>(size - 1))) return {size - 1, 0, cubic};
    const int m = static_cast<int>(l);
    return {m, l - static_cast<sample>(m), cubic};
}

// s0 is the newest of the four values.
inline sample interpolate(const sample *s0, const Tap &t) {
    const sample a = s0[0], b = s0[-1], c = s0[-2], d = s0[-3];
    const sample f = t.fraction;
    if (!t.cubic) return a + f * (b - a);
    constexpr sample sixth = static_cast<sample>(0.1666667f);
    return b + f * ((c - b) + sixth * (1 - f) * ((a - d + 3 * (c - b)) * f + (3 * b - d - 2 * a)));
}

struct Line {
    sample *buf;  // size + extra values
    int size;     // L: the longest delay in samples
    int write;    // guard .. size + extra - 1
    int dirty;    // values from the start that may be non-zero

    int end() const { return size + extra; }

    // Zeroes what has been written.
    void clear() {
        std::memset(buf, 0, sizeof(sample) * static_cast<size_t>(dirty));
        dirty = 0;
    }

    // Takes a zeroed buffer of size + extra values.
    void use(sample *zeroed, int new_size) {
        buf = zeroed;
        size = new_size;
        write = guard;
        dirty = 0;
    }

    // A block: the input written (unless frozen) and the tap read, with the
    // delay inlet in samples after `unit` (samples per millisecond, or 1).
    template <bool Frozen>
    void run(const sample *in, const sample *delay, sample unit, sample *out, int n) {
        const int last = end();
        int w = write;
        bool wrapped = false;
        const bool held = holds(delay, n);
        const Tap fixed = tap_of(delay[0] * unit, size);
        for (int i = 0; i < n; i++) {
            const sample x = in[i];
            const Tap t = held ? fixed : tap_of(delay[i] * unit, size);
            if (!Frozen) buf[w] = flush_big_or_small(x);
            int r = w - t.whole;
            if (r < guard) r += size + 4;
            out[i] = interpolate(buf + r, t);
            if (++w == last) {
                std::copy(buf + last - guard, buf + last, buf);
                w = guard;
                wrapped = true;
            }
        }
        write = w;
        dirty = wrapped ? last : std::max(dirty, w);
    }
};

}  // namespace vesh::delay
