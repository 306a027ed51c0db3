#include "cycle_sine.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr double two_pi = 6.283185307179586;

// Distance in single-precision steps between two floats of the same sign.
int steps(float a, float b) {
    if (a == b) return 0;
    if (std::signbit(a) != std::signbit(b)) return 1 << 30;
    const auto ia = std::bit_cast<int32_t>(a), ib = std::bit_cast<int32_t>(b);
    return ia > ib ? ia - ib : ib - ia;
}

// Compares the narrowed kernel against the narrowed library function at one
// phase; returns the larger distance of sine and cosine.
int distance(double phase) {
    const double x = two_pi * phase;
    const int s = steps(vesh::turn_sine_narrowed(x), static_cast<float>(std::sin(x)));
    const int c = steps(vesh::turn_cosine_narrowed(x), static_cast<float>(std::cos(x)));
    return s > c ? s : c;
}

}  // namespace

TEST(TurnSine, SameFloatAsTheLibraryOverTheCycle) {
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    constexpr int count = 4000000;
    for (int i = 0; i < count; i++) {
        ASSERT_EQ(distance(uniform(gen)), 0);
    }
}

TEST(TurnSine, ExactAroundQuarterTurnsAndZeroCrossings) {
    // Near pi and 2*pi the rounded 2*pi leaves a tiny residue that the
    // reduction must keep.
    for (int k = 0; k <= 8; k++) {
        double phase = k / 8.0;
        for (int j = 0; j < 200; j++) phase = std::nextafter(phase, -1.0);
        for (int j = 0; j < 400; j++, phase = std::nextafter(phase, 2.0)) {
            if (phase < 0.0 || phase > 1.0) continue;
            ASSERT_EQ(distance(phase), 0) << phase;
        }
    }
    EXPECT_EQ(std::bit_cast<uint32_t>(vesh::turn_sine_narrowed(0.0)), 0u);
    EXPECT_EQ(vesh::turn_cosine_narrowed(0.0), 1.0f);
}

// The run form against the library and against the portable form, in runs
// of every length up to past one window (odd tails, pairs straddling windows)
// and at every alignment, on random phases and on phases packed around the
// quarter turns, where the quarter selection and the library fix-ups happen.
TEST(TurnSine, RunsMatchTheLibrary) {
    std::mt19937_64 gen(11);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::vector<double> phases;
    for (int i = 0; i < 200000; i++) phases.push_back(uniform(gen));
    for (int k = 0; k <= 8; k++) {
        double phase = k / 8.0;
        for (int j = 0; j < 100; j++) phase = std::nextafter(phase, -1.0);
        for (int j = 0; j < 200; j++, phase = std::nextafter(phase, 2.0)) {
            if (phase >= 0.0 && phase <= 1.0) phases.push_back(phase);
        }
    }
    std::vector<float> sines(phases.size()), cosines(phases.size());
    std::vector<float> portable_sines(phases.size()), portable_cosines(phases.size());
    size_t at = 0;
    for (int length = 0; at < phases.size(); length = (length + 1) % 150) {
        const int n = static_cast<int>(std::min<size_t>(length, phases.size() - at));
        vesh::turn_sines_narrowed(phases.data() + at, two_pi, n, sines.data() + at);
        vesh::turn_cosines_narrowed(phases.data() + at, two_pi, n, cosines.data() + at);
        at += n;
    }
    // The portable form (the one processors without SSE2 run) gives the same bits.
    const int count = static_cast<int>(phases.size());
    vesh::detail::narrowed_run_portable(phases.data(), two_pi, count, 0, portable_sines.data());
    vesh::detail::narrowed_run_portable(phases.data(), two_pi, count, 1, portable_cosines.data());
    int redone = 0;
    for (size_t i = 0; i < phases.size(); i++) {
        ASSERT_EQ(std::bit_cast<uint32_t>(sines[i]), std::bit_cast<uint32_t>(portable_sines[i]));
        ASSERT_EQ(std::bit_cast<uint32_t>(cosines[i]),
                  std::bit_cast<uint32_t>(portable_cosines[i]));
        const double x = two_pi * phases[i];
        ASSERT_EQ(std::bit_cast<uint32_t>(sines[i]),
                  std::bit_cast<uint32_t>(static_cast<float>(std::sin(x))))
            << phases[i];
        ASSERT_EQ(std::bit_cast<uint32_t>(cosines[i]),
                  std::bit_cast<uint32_t>(static_cast<float>(std::cos(x))))
            << phases[i];
        float narrowed;
        redone += !vesh::detail::rounds_alike(vesh::turn_sine(x), narrowed);
    }
    EXPECT_GT(redone, 0);  // the fix-up path was exercised
}

// Angles of many cycles, and sines scaled by a factor before narrowing: the
// guarded and scaled runs against the library and the portable form, around
// the multiples of pi/2 up to past the kernel's limit, and beyond it.
TEST(TurnSine, GuardedAndScaledRunsMatchTheLibrary) {
    std::mt19937_64 gen(13);
    std::uniform_real_distribution<double> uniform(-12.0, 12.0);
    std::uniform_real_distribution<double> exponent(-6.0, 6.0);
    std::vector<double> turns;
    for (int i = 0; i < 200000; i++) turns.push_back(uniform(gen));
    for (int k = -40; k <= 40; k++) {
        double t = k / 4.0;
        for (int j = 0; j < 20; j++) t = std::nextafter(t, -100.0);
        for (int j = 0; j < 40; j++, t = std::nextafter(t, 100.0)) turns.push_back(t);
    }
    turns.push_back(1e300);
    turns.push_back(INFINITY);
    turns.push_back(NAN);
    std::vector<float> factors;
    for (size_t i = 0; i < turns.size(); i++) {
        const double f = std::pow(10.0, exponent(gen));
        factors.push_back(static_cast<float>(i % 7 == 0 ? 0.0 : i % 2 ? f : -f));
    }
    const int count = static_cast<int>(turns.size());
    std::vector<float> sines(count), scaled(count), portable(count);
    vesh::any_turn_sines_narrowed(turns.data(), two_pi, count, sines.data());
    vesh::any_turn_sines_times_narrowed(turns.data(), two_pi, factors.data(), count, scaled.data());
    vesh::detail::narrowed_run_portable<vesh::detail::run_kind<true, true>>(
        turns.data(), two_pi, count, 0, portable.data(), factors.data());
    const auto bits = [](float v) { return std::bit_cast<uint32_t>(v); };
    for (int i = 0; i < count; i++) {
        const double x = two_pi * turns[i];
        const auto sine = static_cast<float>(std::sin(x));
        const auto product = static_cast<float>(std::sin(x) * static_cast<double>(factors[i]));
        if (std::isnan(sine)) {
            ASSERT_TRUE(std::isnan(sines[i]) && std::isnan(scaled[i]));
            continue;
        }
        ASSERT_EQ(bits(sines[i]), bits(sine)) << turns[i];
        ASSERT_EQ(bits(vesh::any_turn_sine_narrowed(x)), bits(sine)) << turns[i];
        ASSERT_EQ(bits(scaled[i]), bits(product)) << turns[i] << " " << factors[i];
        ASSERT_EQ(bits(portable[i]), bits(product)) << turns[i] << " " << factors[i];
    }
}
