// The conversions of numbers.hpp at their limits, NaN and halfway points.
#include "numbers.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(Numbers, TruncationsSaturateAndReadNaNByTheirRule) {
    struct Row {
        double x;
        int32_t int_part;
        int64_t wide_part;
        int to_index;
    };
    constexpr int64_t wide = int64_t{1} << 62;
    const Row rows[] = {
        {2.9, 2, 2, 2},
        {-2.9, -2, -2, -2},
        {3e9, INT32_MAX, 3000000000, vesh::index_limit},
        {-3e9, INT32_MIN, -3000000000, -vesh::index_limit},
        {1e30, INT32_MAX, wide, vesh::index_limit},
        {-inf, INT32_MIN, -wide, -vesh::index_limit},
        {nan, 0, -1, -vesh::index_limit},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(vesh::int_part(r.x), r.int_part) << r.x;
        EXPECT_EQ(vesh::wide_part(r.x), r.wide_part) << r.x;
        EXPECT_EQ(vesh::to_index(r.x), r.to_index) << r.x;
    }
}

TEST(Numbers, IndexInStaysInsideTheTable) {
    const double in[] = {-1, 0.9, 5.9, 100, inf, nan};
    const int want[] = {0, 0, 5, 7, 7, 0};
    for (int k = 0; k < 6; k++) EXPECT_EQ(vesh::index_in(in[k], 8), want[k]) << in[k];
    EXPECT_EQ(vesh::index_in(3, 1), 0);
}

TEST(Numbers, MillisecondsToSamplesInSinglePrecision) {
    struct Row {
        float ms;
        double sr;
        int samples;
    };
    const Row rows[] = {
        {5, 44100, 221},  // 220.5 as a float product: halves go away from zero
        {-5, 44100, -221},
        {10, 44100, 441},
        {0.03125f, 48000, 2},  // 1.5
        {1.49f / 48, 48000, 1},
        {0.01f, 44100, 0},
        {0, 44100, 0},
        {1e30f, 44100, INT_MAX},
        {-1e30f, 44100, INT_MIN},
        {std::numeric_limits<float>::quiet_NaN(), 44100, 0},
    };
    for (const Row &r : rows) {
        EXPECT_EQ(vesh::ms_to_samples(r.ms, vesh::samples_per_ms(r.sr)), r.samples) << r.ms;
    }
}

TEST(Numbers, RoundHalfAwayLeavesWholeFloatsFrom2To23) {
    const float in[] = {0.5f, -0.5f, 2.5f, 0.49999997f, 1.4999999f, -0.25f, 8388609.0f, 1e30f};
    const float want[] = {1, -1, 3, 0, 1, -0.0f, 8388609.0f, 1e30f};
    for (int k = 0; k < 8; k++) {
        EXPECT_EQ(std::bit_cast<uint32_t>(vesh::round_half_away(in[k])),
                  std::bit_cast<uint32_t>(want[k]))
            << in[k];
    }
    EXPECT_TRUE(std::isnan(vesh::round_half_away(std::numeric_limits<float>::quiet_NaN())));
}

}  // namespace
