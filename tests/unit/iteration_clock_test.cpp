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

TEST(IterationClock, SyncAtExactlyOneRestartsThePeriod) {
    // Rising, the phase restarts at 0; falling, at 1; 0.999 does nothing. The
    // ticks carry the clamped step, the event and the direction.
    struct Case {
        float rate, sync_at_2;
        std::vector<double> phases;
        std::vector<bool> fired;
    };
    const Case cases[] = {
        {44100, 1.0f, {0.0, 0.25, 0.0, 0.25}, {true, false, true, false}},
        {-44100, 1.0f, {1.0, 0.75, 1.0, 0.75}, {true, false, true, false}},
        {44100, 0.999f, {0.0, 0.25, 0.5, 0.75}, {true, false, false, false}},
    };
    for (const Case &c : cases) {
        const float rate[4] = {c.rate, c.rate, c.rate, c.rate};
        const float sync[4] = {0, 0, c.sync_at_2, 0};
        double phase = vesh::clock_start_phase(c.rate);
        std::vector<double> phases;
        std::vector<bool> fired;
        vesh::clock_run_ticks(
            phase, rate, sync, 4, 1.0 / 44100, 0.25, [](int) {},
            [&](int, const vesh::clock_tick<double> &t) {
                phases.push_back(t.phase);
                fired.push_back(t.fired);
                EXPECT_EQ(t.falling, c.rate < 0);
                EXPECT_EQ(t.step, c.rate < 0 ? -0.25 : 0.25);
            });
        EXPECT_EQ(phases, c.phases) << c.rate << " " << c.sync_at_2;
        EXPECT_EQ(fired, c.fired) << c.rate << " " << c.sync_at_2;
    }
}
