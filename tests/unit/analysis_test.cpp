// The analysis and delay kernels where the host tests cannot reach cheaply:
// lines longer than a float can count, every meter setting, a huge value
// in a moving sum, the scan for ordinary blocks.
#include "delay_kernel.hpp"
#include "meter_kernel.hpp"
#include "moving_kernel.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float nan = std::numeric_limits<float>::quiet_NaN();

TEST(DelayTap, StaysOnTheLineAtAnyDelayAndSize) {
    const int sizes[] = {1, 2, 100, (1 << 24) + 3, (1 << 25) + 3, vesh::delay::longest};
    const float delays[] = {0, 0.5f, 1, 1.5f, 1e7f, 3.3e7f, 1e9f, 2e9f, inf, -inf, nan};
    for (const int size : sizes) {
        for (const float d : delays) {
            const vesh::delay::Tap t = vesh::delay::tap_of(d, size);
            EXPECT_TRUE(t.whole >= 0 && t.whole <= size - 1) << d << " " << size;
            EXPECT_TRUE(t.fraction >= 0 && t.fraction < 1) << d << " " << size;
            EXPECT_EQ(t.cubic, d >= 1) << d;
        }
    }
}

// At most 32 windows are ever pending, so that the partial sums fit.
TEST(MeterPeriods, KeepThePendingWindowsWithinTheSums) {
    const float points[] = {0, 1, 63, 64, 100, 1000, 1024, 4097, 65536, 1e7f, 1e30f, nan};
    const float periods[] = {0, 1, 2, 31, 33, 100, 513, 1e6f, 1e30f, nan};
    for (const int block : {1, 64, 100, 4096}) {
        for (const float n : points) {
            for (const float p : periods) {
                const vesh::meter::Periods r =
                    vesh::meter::periods(n, p, block, vesh::meter::longest_window);
                const int real = vesh::meter::whole_blocks(r.period > block ? r.period : block,
                                                           block);
                EXPECT_LE(r.npoints, vesh::meter::longest_window);
                EXPECT_LE((r.npoints + real - 1) / real, vesh::meter::most_pending) << n << p;
            }
        }
    }
    EXPECT_EQ(vesh::meter::periods(nan, nan, 64, 1 << 24).npoints, 1024);
    EXPECT_EQ(vesh::meter::periods(1e30f, 0, 64, 1 << 24).npoints, 1 << 24);
}

// A value of 2^70 among ones: while it is in the window the ones are lost
// to rounding; once it has left, the average is exactly 1 again.
TEST(MovingSum, AHugeValueLeavesNoResidue) {
    using Average = vesh::moving::average<false>;
    const int window = 1000;
    std::vector<float> ring(window), in(64, 1.0f), w(64, window), out(64);
    vesh::moving::Sum sum{};
    in[10] = std::ldexp(1.0f, 70);
    vesh::moving::run<Average>(sum, ring.data(), window, 64, in.data(), w.data(), out.data());
    in[10] = 1;
    for (int b = 1; b < 20; b++) {
        vesh::moving::run<Average>(sum, ring.data(), window, 64, in.data(), w.data(), out.data());
    }
    for (const float v : out) EXPECT_EQ(v, 1.0f);
}

TEST(MovingSum, OrdinaryBlocksStayBelowTwoToThe32) {
    const float below = std::nextafter(4294967296.0f, 0.0f);
    for (const float odd : {4294967296.0f, -4294967296.0f, inf, -inf, nan, -nan}) {
        for (const int at : {0, 5, 62}) {
            std::vector<float> block(63, -below);
            EXPECT_TRUE(vesh::moving::ordinary(block.data(), 63));
            block[at] = odd;
            EXPECT_FALSE(vesh::moving::ordinary(block.data(), 63)) << odd << " at " << at;
        }
    }
}

}  // namespace
