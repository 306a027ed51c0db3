// What counts as a trigger, and how long a duration is in samples, for the
// classes that make, count, delay and hold triggers. Host-independent.
//
// Three rules; each class uses one:
//   rise   the previous sample is 0 or below and this one above 0
//   onset  the previous sample is exactly 0 and this one anything else
//   unit   this sample is exactly 1 (no previous sample involved)
// A NaN is never a rise, never a unit trigger and never the 0 an onset starts
// from; as the sample after a 0 it is an onset (it is not 0).
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "block.hpp"
#include "numbers.hpp"

namespace vesh::trigger {

constexpr bool rise(float previous, float x) {
    return previous <= 0 && x > 0;
}

constexpr bool onset(float previous, float x) {
    return previous == 0 && x != 0;
}

constexpr bool unit(float x) {
    return x == 1.0f;
}

// The length in whole samples of each sample of a duration inlet (ms): the
// shared rounding of ms_to_samples, worked out once when the block holds one
// value. Read each sample before the output sample at the same index is
// written (the vectors may share memory).
class Lengths {
   public:
    Lengths(const sample *ms, int n, float samples_per_ms)
        : ms_(ms),
          samples_per_ms_(samples_per_ms),
          constant_(holds(ms, n)),
          first_(ms_to_samples(static_cast<float>(ms[0]), samples_per_ms)) {}

    int operator[](int i) const {
        return constant_ ? first_ : ms_to_samples(static_cast<float>(ms_[i]), samples_per_ms_);
    }

   private:
    const sample *ms_;
    float samples_per_ms_;
    bool constant_;
    int first_;
};

// ---- Rules over sample pairs, four samples at a time ----------------------
//
// Several detectors output, at each sample, a function of that sample and the
// one or two before it, and keep no other state. Such a rule is written once
// over `auto` operands and runs on four lanes at a time (and on single
// floats): comparisons give masks, `where` turns a mask into 1 or 0, `pick`
// chooses between two values.

using lanes = float __attribute__((vector_size(16)));
using lane_mask = int32_t __attribute__((vector_size(16)));

inline lanes where(lane_mask m) {
    const lanes one = {1, 1, 1, 1};
    return reinterpret_cast<lanes>(m & reinterpret_cast<lane_mask>(one));
}
inline float where(bool m) {
    return m ? 1.0f : 0.0f;
}
inline lanes pick(lane_mask m, lanes a, lanes b) {
    return reinterpret_cast<lanes>((m & reinterpret_cast<lane_mask>(a)) |
                                   (~m & reinterpret_cast<lane_mask>(b)));
}
inline float pick(bool m, float a, float b) {
    return m ? a : b;
}

namespace detail {
inline lanes load(const float *from) {
    lanes v;
    std::memcpy(&v, from, sizeof v);
    return v;
}
inline void store(sample *to, lanes v, int count) {
    if constexpr (std::is_same_v<sample, float>) {
        if (count == 4) {
            std::memcpy(to, &v, sizeof v);
            return;
        }
    }
    for (int l = 0; l < count; l++) to[l] = v[l];
}
}  // namespace detail

// Runs rule(before_previous, previous, x) over the block; each rule returns
// its outputs' samples as an array of Outlets values. The input goes through
// a local copy a chunk at a time, so that the outputs may share memory with
// it. `history` holds the two samples before the block and is updated.
template <int Outlets, typename Rule>
inline void each_sample(const sample *in, int n, float (&history)[2],
                        sample *const (&outs)[Outlets], Rule rule) {
    constexpr int chunk = 64;
    float x[chunk + 2 + 4] = {};  // x[0], x[1]: the two samples before the chunk
    x[0] = history[0];
    x[1] = history[1];
    for (int start = 0; start < n; start += chunk) {
        const int m = std::min(chunk, n - start);
        for (int k = 0; k < m; k++) x[k + 2] = static_cast<float>(in[start + k]);
        int k = 0;
        for (; k + 4 <= m; k += 4) {
            const auto y =
                rule(detail::load(x + k), detail::load(x + k + 1), detail::load(x + k + 2));
            for (int o = 0; o < Outlets; o++) detail::store(outs[o] + start + k, y[o], 4);
        }
        if (k < m) {  // blocks shorter than four samples
            const auto y =
                rule(detail::load(x + k), detail::load(x + k + 1), detail::load(x + k + 2));
            for (int o = 0; o < Outlets; o++) detail::store(outs[o] + start + k, y[o], m - k);
        }
        x[0] = x[m];
        x[1] = x[m + 1];
    }
    history[0] = x[0];
    history[1] = x[1];
}

}  // namespace vesh::trigger
