// The smoothing kernel over runs too long for the real-host tests, and the
// block recursion against a plain loop.
#include "block.hpp"
#include "smoothing_kernel.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <vector>

namespace {

using namespace vesh::smoothing;

TEST(Smoothing, HeldFactorIsTheFactorOfTheCurrentTimeAndRate) {
    held_factor held{};
    for (const float spms : {44.1f, 48.0f}) {
        held.set_rate(spms);
        for (const float t : {10.0f, 10.0f, 0.5f, 1e30f, 10.0f, -3.0f}) {
            EXPECT_EQ(held.of(t), decay_factor(t, spms)) << t << " " << spms;
        }
    }
}

TEST(Smoothing, EqualTimesPeakAtOneAfterOneOverTheRateEvenForLongTimes) {
    for (const float t : {100.0f, 10000.0f}) {  // up to 441 000 samples to the peak
        const pair_gain g = pair_gain::make(t, t, 44.1f);
        ASSERT_TRUE(g.equal);
        const double a = decay_factor(t, 44.1f), r = ln_1000 / (t * 44.1);
        double y = 1, w = 0, peak = 0;
        long at = 0;
        for (long n = 1; n < static_cast<long>(3 / r); n++) {
            w = a * (w + y);
            y = a * y;
            if (w * g.ramp_gain > peak) peak = w * g.ramp_gain, at = n;
        }
        EXPECT_NEAR(peak, 1, 1e-6) << t;
        EXPECT_NEAR(at, 1 / r, 1) << t;
        // nearby unequal times give nearly the same envelope at its peak
        const pair_gain near = pair_gain::make(t, t * 1.0001, 44.1f);
        const double ya = std::pow(a, at), yd = std::pow(decay_factor(t * 1.0001, 44.1f), at);
        EXPECT_NEAR((yd - ya) * near.scale, 1, 1e-3) << t;
    }
}

TEST(Smoothing, GlidesOfAnyLengthStayWithinAnInt) {
    EXPECT_EQ(glide_steps(1e30f, 44.1f), INT_MAX - 1);
    EXPECT_EQ(glide_steps(-5, 44.1f), -221);
    const held_lengths longest = held_lengths::of(INT_MAX - 1, INT_MAX - 1, 3);
    EXPECT_TRUE(std::isfinite(longest.up_first) && std::isfinite(longest.down_first));
}

TEST(Block, RecursionInGroupsOfFourIsThePlainLoop) {
    for (const int n : {1, 3, 4, 7, 64, 67}) {
        std::vector<vesh::sample> in(n), out(n), same(n);
        for (int i = 0; i < n; i++) in[i] = same[i] = static_cast<float>(std::sin(i * 0.7));
        const auto step = [](double y, double x, int i) { return x + (y - x) * (0.9 + i * 1e-3); };
        double y = 0.25, expect = 0.25;
        std::vector<vesh::sample> want(n);
        for (int i = 0; i < n; i++)
            want[i] = static_cast<vesh::sample>(expect = step(expect, in[i], i));
        EXPECT_EQ(vesh::recur(y, n, in.data(), out.data(), step), expect);
        EXPECT_EQ(vesh::recur(y, n, same.data(), same.data(), step), expect);  // in place
        EXPECT_EQ(out, want);
        EXPECT_EQ(same, want);
    }
}

}  // namespace
