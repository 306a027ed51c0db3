// The generators against their published worked values.
#include "random.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vesh;

TEST(RandomHash, ZeroKey) {
    EXPECT_EQ(random_hash(0), 0x4636B9C9u);
}

TEST(RandomInit, SeedZeroIsHashedNotTimed) {
    random_state s{};
    random_init(&s, 0);
    EXPECT_EQ(s.s1, 0x0C2976B0u);
    EXPECT_EQ(s.s2, 0xFE54C805u);
    EXPECT_EQ(s.s3, 0x2AAED4D8u);
    EXPECT_EQ(random_step(s.s1, s.s2, s.s3), 0xDB887F52u);
    EXPECT_EQ(random_step(s.s1, s.s2, s.s3), 0x129164C0u);
    EXPECT_EQ(random_step(s.s1, s.s2, s.s3), 0x27671D79u);
    random_init(&s, 0);
    EXPECT_EQ(random_bipolar(s.s1, s.s2, s.s3), 0.7151029109954834f);
}

TEST(RandomInit, SeedOne) {
    random_state s{};
    random_init(&s, 1);
    EXPECT_EQ(s.s1, 0x28A53AD9u);
    EXPECT_EQ(s.s2, 0xDAD8846Cu);
    EXPECT_EQ(s.s3, 0x0E2298B1u);
    random_state t = s;
    EXPECT_EQ(random_step(t.s1, t.s2, t.s3), 0xCF4A31ECu);
    EXPECT_EQ(random_bipolar(s.s1, s.s2, s.s3), 0.6194515228271484f);
}

// Seeds whose hash leaves a component below its generator's smallest state
// (the low bits the generator drops would leave it stuck at 0).
TEST(RandomInit, ComponentsTooSmallAreReplaced) {
    struct {
        double seed;
        uint32_t random_state::*part;
        uint32_t want;
    } cases[] = {{-1386778773.0, &random_state::s1, 0x4A1FCF79u},
                 {-492490893.0, &random_state::s1, 0x4A1FCF79u},
                 {53432001.0, &random_state::s2, 0xB86271CCu},
                 {-375001793.0, &random_state::s3, 0x6C986D11u}};
    for (const auto &c : cases) {
        random_state s{};
        random_init(&s, c.seed);
        EXPECT_EQ(s.*c.part, c.want) << c.seed;
    }
}

TEST(RandomInit, SeedsTruncateTowardZero) {
    random_state a{}, b{}, c{}, d{};
    random_init(&a, 3.2f);
    random_init(&b, 3.9f);
    random_init(&c, -3.9f);
    random_init(&d, -3.0f);
    EXPECT_EQ(a.s1, b.s1);
    EXPECT_EQ(a.s2, b.s2);
    EXPECT_EQ(a.s3, b.s3);
    EXPECT_EQ(c.s1, d.s1);
    EXPECT_NE(a.s1, c.s1);
}

// Seeds outside the signed 32-bit range saturate and NaN reads as 0.
TEST(RandomInit, OutOfRangeSeedsAreDefined) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(seed_to_int(std::nan("")), 0);
    EXPECT_EQ(seed_to_int(inf), INT32_MAX);
    EXPECT_EQ(seed_to_int(1e10), INT32_MAX);
    EXPECT_EQ(seed_to_int(2147483648.0), INT32_MAX);
    EXPECT_EQ(seed_to_int(-inf), INT32_MIN);
    EXPECT_EQ(seed_to_int(-2147483648.0), INT32_MIN);
    EXPECT_EQ(seed_to_int(-1e30), INT32_MIN);
    random_state s{};
    random_init(&s, std::nan(""));
    EXPECT_EQ(s.s1, 0x0C2976B0u);
}

TEST(RandomBipolar, RangeEnds) {
    // r with its top 23 bits clear is the only way to reach -1.
    EXPECT_EQ(std::bit_cast<float>((0x1FFu >> 9) | 0x40000000u) - 3.0f, -1.0f);
    EXPECT_LT(std::bit_cast<float>((0xFFFFFFFFu >> 9) | 0x40000000u) - 3.0f, 1.0f);
}

TEST(RandomBipolar, SignFromTheWordMatchesTheValue) {
    // Around the words whose value is exactly 0 and the ends of the range,
    // then a spread over all words.
    auto check = [](uint32_t r) {
        const float expected = bipolar_value(r) > 0.0f ? 1.0f : -1.0f;
        ASSERT_EQ(bipolar_sign(r), expected) << std::hex << r;
    };
    for (uint32_t r = 0x7FFFF000u; r != 0x80001000u; r++) check(r);
    for (uint32_t r : {0u, 1u, 0x1FFu, 0x200u, 0xFFFFFDFFu, 0xFFFFFFFFu}) check(r);
    for (uint64_t r = 0; r < 0x100000000u; r += 65521) check(static_cast<uint32_t>(r));
}

TEST(NoiseLcg, WorkedValues) {
    const uint32_t v = 234599u * 1319u;
    EXPECT_EQ(v, 309436081u);
    EXPECT_EQ(noise_lcg_seed(234599.7), v);
    EXPECT_EQ(noise_lcg_value(v), -0.7118151783943176f);
    EXPECT_EQ(noise_lcg_step(v), 0x344A7EC2u);
    EXPECT_EQ(noise_lcg_value(noise_lcg_step(v)), -0.18295317888259888f);
    EXPECT_EQ(noise_lcg_value(0x7FFFFFFFu), 1.0f);  // within 32 of 2^30 rounds to 1
    EXPECT_EQ(noise_lcg_value(0), -1.0f);
}

TEST(IntLcg, SeedingAndRange) {
    const uint32_t counter = int_lcg_next_counter(1489853723u);
    EXPECT_EQ(counter, 3984894780u);
    EXPECT_EQ(counter & 0x7FFFFFFFu, 0x6D84AB3Cu);
    uint32_t u = 12345;
    for (int i = 0; i < 100; i++) EXPECT_EQ(rand_int(&u, 1), 0);
    EXPECT_EQ(rand_int(&u, 0), -1);
    for (int i = 0; i < 1000; i++) {
        const int r = rand_int(&u, 7);
        EXPECT_GE(r, 0);
        EXPECT_LT(r, 7);
    }
}

TEST(RandSeed, ExplicitAndClockSeeds) {
    rand_seed_memory m;
    uint32_t a = 0, b = 0;
    rand_seed_at(&a, -5, 1.0, m);
    EXPECT_EQ(a, 0x7FFFFFFBu);
    // Two clock seeds within one microsecond differ: the second comes from the fallback.
    rand_seed_at(&a, 0, 12.0000001, m);
    rand_seed_at(&b, 0, 12.0000001, m);
    EXPECT_NE(a, b);
    EXPECT_EQ(b, rand_seed_fallback_step(1489853723u) & 0x7FFFFFFFu);
    EXPECT_NE(m.time_shift, 0u);
}

TEST(IntLcg, WidestRangesStayInside) {
    // Bounds saturate at the 32-bit ends; the last state still picks below
    // the size, so no draw reaches past the upper bound.
    const float inf = std::numeric_limits<float>::infinity();
    const int_range whole = int_range_of(-inf, inf);
    EXPECT_EQ(whole.low, INT32_MIN);
    EXPECT_EQ(whole.size, (int64_t{1} << 32));
    EXPECT_EQ(int_range_of(std::nan(""), 3).size, 4);
    EXPECT_EQ(int_range_of(4, 3).size, 0);
    for (int64_t size : {int64_t{1}, int64_t{7}, int64_t{1} << 32, (int64_t{1} << 32) + 1})
        EXPECT_EQ(int_lcg_pick(0xFFFFFFFFu, size), size - 1) << size;
}

TEST(NoiseLcg, CounterRoundingUpToTwoToThe31Saturates) {
    uint32_t counter = 4176114903u;  // times 1319 is 0x7FFFFFC1 (mod 2^32)
    EXPECT_EQ(noise_lcg_stepped_instance(counter), noise_lcg_step(0x7FFFFFFFu));
}

TEST(NoiseLcg, WordsBelowAChanceAreThoseUnderTheBound) {
    // The bound splits the words exactly where their draw reaches the chance.
    for (float g : {0.0f, -1.0f, 1e-30f, 0.0226757f, 0.5f, 0.99999994f, 1.0f, 2.0f}) {
        const uint32_t below = draws_below(g);
        for (uint32_t m : {0u, 1u, below - 1, below, below + 1, 0x7FFFFFFFu}) {
            if (m > 0x7FFFFFFFu) continue;
            EXPECT_EQ(m < below, unit_draw(m) < g) << g << " " << m;
            EXPECT_EQ(m < below, unit_draw(m | 0x80000000u) < g) << g << " " << m;
        }
    }
    EXPECT_EQ(draws_below(std::nanf("")), 0u);
    EXPECT_EQ(draws_below(2.0f), 0x80000000u);
}
