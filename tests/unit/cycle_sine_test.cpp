#include "cycle_sine.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <random>

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
    EXPECT_EQ(vesh::turn_sine(0.0), 0.0);
    EXPECT_EQ(vesh::turn_cosine(0.0), 1.0);
}
