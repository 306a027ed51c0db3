// Range shaping: wrapping below the range against the plain loop of additions,
// folding far outside the range, and values no integer holds.
#include "range_kernel.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace {

constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float nan = std::numeric_limits<float>::quiet_NaN();

// The definition: r added in single precision until the value reaches lo.
// Returns false when an addition stops changing the value (no end).
bool add_until(float x, float lo, float r, long limit, float &out) {
    for (long i = 0; x < lo; i++) {
        const float next = x + r;
        if (next == x || i > limit) return false;
        x = next;
    }
    out = x;
    return true;
}

TEST(Range, WrapBelowEqualsRepeatedAdditionWhereverThatEnds) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> unit(0, 1);
    std::uniform_int_distribution<int> octave(-30, 30);
    int compared = 0;
    for (int i = 0; i < 8000; i++) {
        const float lo = (unit(rng) - 0.5f) * std::ldexp(1.0f, octave(rng));
        const float r = unit(rng) * std::ldexp(1.0f, octave(rng) / 2);
        const float hi = lo + r;
        if (!(hi > lo)) continue;
        const float range = hi - lo;
        // Up to about a quarter of a million additions below the range.
        const float x = lo - unit(rng) * range * std::ldexp(1.0f, octave(rng) % 18);
        float want;
        if (!add_until(x, lo, range, 3000000, want)) continue;
        ASSERT_EQ(vesh::wrap2(x, lo, hi), want) << x << " " << lo << " " << hi;
        compared++;
    }
    EXPECT_GT(compared, 4000);
}

TEST(Range, WrapAboveIsTheRemainderFromLo) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> unit(0, 1);
    for (int i = 0; i < 20000; i++) {
        const float lo = (unit(rng) - 0.5f) * 100, hi = lo + unit(rng) * 10;
        if (!(hi > lo)) continue;
        const float x = hi + unit(rng) * (hi - lo) * (i % 3 == 0 ? 1.5f : 1000.0f);
        const double want =
            lo + std::fmod(static_cast<double>(x) - lo, static_cast<double>(hi - lo));
        ASSERT_EQ(vesh::wrap2(x, lo, hi), static_cast<float>(want)) << x << " " << lo << " " << hi;
    }
}

TEST(Range, WrapBelowWithoutEndGivesTheExactValueInRange) {
    // 1 no longer changes -1e9 in single precision: the loop would not end.
    EXPECT_EQ(vesh::wrap2(-1e9f, 0, 1), 0.0f);
    // -1000 + 1000 falls just short of lo: one more range, not lo itself.
    EXPECT_EQ(vesh::wrap2(-1000, 1e-30f, 1), 1.0f);
    EXPECT_EQ(vesh::wrap2(-1e9f, 1e-30f, 1), 1.0f);
    EXPECT_EQ(vesh::wrap2(-1e9f - 64, 0.5f, 1.5f), 1.0f);
    const float y = vesh::wrap2(-3e38f, 0.25f, 0.75f);
    EXPECT_GE(y, 0.25f);
    EXPECT_LT(y, 0.75f);
    EXPECT_EQ(vesh::wrap2(-inf, 2, 3), 2.0f);
    EXPECT_EQ(vesh::wrap2(inf, 2, 3), 2.0f);
    EXPECT_TRUE(std::isnan(vesh::wrap2(nan, 2, 3)));
    EXPECT_EQ(vesh::wrap2(1e30f, 0, 1), 0.0f);
    EXPECT_EQ(vesh::wrap2(1e30f, -1, 1), 0.0f);  // 1e30 + 1 is not a double: x - lo is never formed
    EXPECT_EQ(vesh::wrap2(5, 3, 3), 3.0f);
}

// The reflection as written out, in single precision, for values a few
// ranges out.
float fold_by_the_rule(float x, float lo, float hi) {
    const float r = hi - lo;
    if (x >= lo && x <= hi) return x;
    const bool below = x < lo;
    const float d = below ? lo - x : x - hi;
    const int n = static_cast<int>(d / r);
    const float m = d - r * static_cast<float>(n);
    const float y = (below == (n % 2 == 0)) ? lo + m : hi - m;
    return y < lo ? lo : y > hi ? hi : y;
}

TEST(Range, FoldNearTheRangeFollowsTheRule) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> unit(0, 1);
    for (int i = 0; i < 20000; i++) {
        const float lo = (unit(rng) - 0.5f) * 10, hi = lo + unit(rng) * 4;
        if (!(hi > lo)) continue;
        const float x = lo + (unit(rng) - 0.5f) * (hi - lo) * 20;
        ASSERT_EQ(vesh::fold(x, lo, hi), fold_by_the_rule(x, lo, hi))
            << x << " " << lo << " " << hi;
        ASSERT_EQ(vesh::fold(x, hi, lo), fold_by_the_rule(x, lo, hi));
    }
}

TEST(Range, FoldFarOutsideStaysInRangeAndMatchesTheExactReflection) {
    // Whole numbers fold to 0 when even and to 1 when odd, however large.
    EXPECT_EQ(vesh::fold(8388609.0f, 0, 1), 1.0f);
    EXPECT_EQ(vesh::fold(16777218.0f, 0, 1), 0.0f);
    EXPECT_EQ(vesh::fold(-1e30f, 0, 1), 0.0f);
    for (float x : {1e30f, -1e30f, 3e38f, 123456789.0f, -2e9f}) {
        const float y = vesh::fold(x, 0.3f, 1.7f);
        EXPECT_GE(y, 0.3f) << x;
        EXPECT_LE(y, 1.7f) << x;
    }
    EXPECT_EQ(vesh::fold(inf, -1, 1), -1.0f);
    EXPECT_EQ(vesh::fold(-inf, -1, 1), -1.0f);
    EXPECT_TRUE(std::isnan(vesh::fold(nan, -1, 1)));
    EXPECT_EQ(vesh::fold(3e38f, -3e38f, 3e38f), 3e38f);
    // NaN bounds: a defined value, no trap.
    EXPECT_FALSE(std::isinf(vesh::fold(5, nan, 1)));
}

TEST(Range, QuantizeLeavesWholeAndNonFiniteValuesAlone) {
    EXPECT_EQ(vesh::quantize(1e30f, 0.5f, 0), 1e30f);
    EXPECT_EQ(vesh::quantize(-inf, 0.5f, 3), -inf);
    EXPECT_TRUE(std::isnan(vesh::quantize(nan, 0.5f, 1)));
    EXPECT_EQ(vesh::quantize(5e9f, 0.001f, 2), 5e9f);  // 5e12 steps: already whole
    EXPECT_EQ(vesh::quantize(0.74f, nan, 0), 0.74f);
    EXPECT_EQ(vesh::quantize_mode(nan), 0);
    EXPECT_EQ(vesh::quantize_mode(1e30), 3);
    EXPECT_EQ(vesh::quantize_mode(-7), 0);
}

}  // namespace
