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

}  // namespace vesh::trigger
