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
    const int s = steps(static_cast<float>(vesh::turn_sine(x)), static_cast<float>(std::sin(x)));
    const int c = steps(static_cast<float>(vesh::turn_cosine(x)), static_cast<float>(std::cos(x)));
    return s > c ? s : c;
}

}  // namespace

TEST(TurnSine, WithinOneStepOfTheLibraryOverTheCycle) {
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    int off = 0;
    constexpr int count = 1000000;
    for (int i = 0; i < count; i++) {
        const int d = distance(uniform(gen));
        ASSERT_LE(d, 1);
        off += d;
    }
    EXPECT_LT(off, count / 1000);  // nearly always the same float
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
