#include "iteration_clock.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

// Samples at which events fire over `n` samples of a constant rate.
std::vector<int> events(double &phase, float rate, int n, double sr = 44100) {
    std::vector<float> in(n, rate);
    std::vector<int> at;
    vesh::clock_run(
        phase, in.data(), n, 1.0 / sr, [&](int i) { at.push_back(i); }, [](int, double) {});
    return at;
}

}  // namespace

TEST(IterationClock, FiresAtTheRateWhicheverItsSign) {
    for (float rate : {441.0f, -441.0f}) {
        double phase = vesh::clock_start_phase(rate);
        EXPECT_EQ(events(phase, rate, 401), (std::vector<int>{0, 100, 200, 300, 400})) << rate;
    }
}

TEST(IterationClock, AtMostOneEventPerSampleAndZeroFreezes) {
    double phase = 1.0;
    EXPECT_EQ(events(phase, 1e9f, 5), (std::vector<int>{0, 1, 2, 3, 4}));
    phase = 1.0;
    EXPECT_EQ(events(phase, std::numeric_limits<float>::infinity(), 3),
              (std::vector<int>{0, 1, 2}));
    phase = 1.0;
    EXPECT_EQ(events(phase, 0.0f, 100), (std::vector<int>{0}));
    EXPECT_EQ(phase, 0.0);
}

TEST(IterationClock, EmitSeesThePhaseAfterTheWrap) {
    const float in[4] = {22050, 22050, 22050, 22050};
    double phase = 1.0;
    std::vector<double> seen;
    vesh::clock_run(
        phase, in, 4, 1.0 / 44100, [](int) {}, [&](int, double t) { seen.push_back(t); });
    EXPECT_EQ(seen, (std::vector<double>{0.0, 0.5, 0.0, 0.5}));
    EXPECT_EQ(phase, 1.0);
}

TEST(IterationClock, NanRateHoldsThePhase) {
    double phase = 0.25;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    events(phase, nan, 10);
    EXPECT_EQ(phase, 0.25);
    EXPECT_EQ(events(phase, 44100 / 4.0f, 8), (std::vector<int>{3, 7}));
}

TEST(IterationClock, SinglePrecisionStep) {
    EXPECT_EQ(vesh::clock_step(1000.0f, 1.0f / 44100.0f), 1000.0f * (1.0f / 44100.0f));
    EXPECT_EQ(vesh::clock_step(-5e5f, 1.0f / 44100.0f), -1.0f);
}
