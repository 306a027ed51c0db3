#include "trigger.hpp"

#include <gtest/gtest.h>

#include <cmath>

using namespace vesh::trigger;

TEST(Trigger, RulesAndNaN) {
    const float nan = std::nanf("");
    EXPECT_TRUE(rise(0, 0.5f) && rise(-1, 1) && !rise(0.5f, 1) && !rise(0, 0));
    EXPECT_FALSE(rise(nan, 1) || rise(0, nan));
    EXPECT_TRUE(onset(0, -2) && onset(0, nan) && !onset(nan, 1) && !onset(1, 2));
    EXPECT_TRUE(unit(1) && !unit(0.999f) && !unit(nan));
}

// Every pattern of marks against the same hold taken one lane at a time.
TEST(Trigger, HoldAndRunningSumMatchOneLaneAtATime) {
    const lanes values = {10, 20, 30, 40};
    for (int marks = 0; marks < 16; marks++) {
        lane_mask m;
        lanes ones;
        for (int l = 0; l < 4; l++) {
            m[l] = (marks >> l & 1) ? -1 : 0;
            ones[l] = static_cast<float>(marks >> l & 1);
        }
        const lanes held = hold(m, values, lanes{} + 7.0f), sums = running_sum(ones, 5);
        float h = 7, s = 5;
        for (int l = 0; l < 4; l++) {
            if (marks >> l & 1) h = values[l];
            s += ones[l];
            EXPECT_EQ(held[l], h) << marks << " lane " << l;
            EXPECT_EQ(sums[l], s) << marks << " lane " << l;
        }
    }
}

TEST(Trigger, LengthsRoundEachSampleOrTheBlockOnce) {
    const float spms = vesh::samples_per_ms(44100);
    const vesh::sample held[4] = {5, 5, 5, 5}, moving[4] = {5, 10, -5, 0.01f};
    const Lengths a(held, 4, spms), b(moving, 4, spms);
    EXPECT_TRUE(a.constant() && !b.constant());
    EXPECT_EQ(a[3], 221);
    const int want[] = {221, 441, -221, 0};
    for (int i = 0; i < 4; i++) EXPECT_EQ(b[i], want[i]) << i;
}
