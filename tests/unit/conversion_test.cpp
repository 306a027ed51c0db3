// The block scaling over lengths the host never asks for, in place, and the
// rounding functions across every float near the edge of "already whole".
#include "conversion_kernel.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

namespace conv = vesh::conversion;

TEST(Conversion, ScaleWorksInPlaceForAnyLength) {
    for (int n : {0, 1, 3, 4, 13, 64}) {
        std::vector<float> v(n);
        for (int i = 0; i < n; i++) v[i] = static_cast<float>(i) + 0.1f;
        conv::scale(v.data(), v.data(), n, 3.0f);
        for (int i = 0; i < n; i++) EXPECT_EQ(v[i], (static_cast<float>(i) + 0.1f) * 3.0f) << n;
    }
}

TEST(Conversion, RoundingAgreesWithTheLibraryNearTwoToThe23) {
    // Every float from 2^22 to past 2^23, both signs: the rounding functions
    // must match the C library there and never overflow on the way.
    for (float x = 4194304.0f; x < 8388620.0f; x = std::nextafter(x, 1e30f)) {
        for (const float v : {x, -x}) {
            ASSERT_EQ(conv::floor(v), std::floor(v)) << v;
            ASSERT_EQ(conv::ceil(v), std::ceil(v)) << v;
            ASSERT_EQ(conv::trunc(v), std::trunc(v)) << v;
            ASSERT_EQ(conv::rint(v), std::nearbyint(v)) << v;
        }
    }
}

}  // namespace
