// Whole-block helpers of the perform routines. Host-independent.
#pragma once

#include <cstring>

namespace vesh {

// True when every sample of the block equals `value`. Most inputs hold still
// (a float into an unconnected inlet), and a loop can then drop the work the
// input would cost: a step worked out once, a dependency left out. A NaN
// never equals itself, so a block holding NaN does not hold. Four lanes at a
// time keep the scan cheap next to the loop it saves.
inline bool holds(const float *in, int n, float value) {
    using lanes = float __attribute__((vector_size(16)));
    using mask = int __attribute__((vector_size(16)));
    const lanes want = {value, value, value, value};
    mask all = {-1, -1, -1, -1};
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        lanes v;
        std::memcpy(&v, in + i, sizeof v);
        all &= (v == want);
    }
    bool same = (all[0] & all[1] & all[2] & all[3]) != 0;
    for (; i < n; i++) same &= in[i] == value;
    return same;
}

// True when the block (n >= 1) holds its first sample throughout.
inline bool holds(const float *in, int n) {
    return holds(in, n, in[0]);
}

// Writes `value` to n samples; eight stores at a time let the compiler use
// vector stores.
inline void fill(float *out, int n, float value) {
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        for (int k = 0; k < 8; k++) out[i + k] = value;
    }
    for (; i < n; i++) out[i] = value;
}

}  // namespace vesh
