// Block-wise median filter: each segment of a block is replaced by its
// median. Host-independent.
#pragma once

#include "block.hpp"

#include <algorithm>

namespace vesh::median {

// The segment size of a block of n: a value above n is held at n, one below
// 1 (or NaN) at 1, and both are stored back; a fraction counts as its whole
// part.
inline int segment_size(sample &s, int n) {
    if (s > static_cast<sample>(n)) {
        s = static_cast<sample>(n);
    } else if (!(s >= 1)) {
        s = 1;
    }
    return static_cast<int>(s);
}

// The median of v[0 .. count), count >= 1: the middle value, or the mean of
// the two middle ones for an even count. v is reordered. NaN sorts above
// every number, so that the order stays a true order (a sort fed NaN under
// `<` may run past its range).
inline sample median_of(sample *v, int count) {
    sample *numbers_end = std::partition(v, v + count, [](sample a) { return a == a; });
    const int upper = count / 2;
    if (v + upper >= numbers_end) return v[upper];  // NaN
    std::nth_element(v, v + upper, numbers_end);
    if (count & 1) return v[upper];
    const sample lower = *std::max_element(v, v + upper);
    return (lower + v[upper]) * static_cast<sample>(0.5);
}

inline sample median_of_three(sample a, sample b, sample c) {
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// One block: segments of `size` samples from the start, the last one ending
// with the block (and shorter when size does not divide n). A segment only
// reads and writes its own stretch, so it is sorted in `out` itself, which
// may be `in`.
inline void filter(const sample *in, sample *out, int n, int size) {
    bool numbers = true;
    for (int i = 0; i < n; i++) numbers &= in[i] == in[i];
    int start = 0;
    if (numbers && size == 3) {
        for (; start + 3 <= n; start += 3) {
            const sample m = median_of_three(in[start], in[start + 1], in[start + 2]);
            out[start] = out[start + 1] = out[start + 2] = m;
        }
    }
    for (; start < n; start += size) {
        const int count = std::min(size, n - start);
        sample *segment = out + start;
        if (segment != in + start) std::copy(in + start, in + start + count, segment);
        fill(segment, count, median_of(segment, count));
    }
}

}  // namespace vesh::median
