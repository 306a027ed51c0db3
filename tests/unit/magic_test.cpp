#include "magic.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <limits>

TEST(MagicIsNan, InfinitiesAreRealValues) {
    EXPECT_EQ(vesh::magic_isnan(std::numeric_limits<float>::infinity()), 0);
    EXPECT_EQ(vesh::magic_isnan(-std::numeric_limits<float>::infinity()), 0);
    EXPECT_EQ(vesh::magic_isnan(0.0f), 0);
    EXPECT_EQ(vesh::magic_isnan(std::bit_cast<float>(0x7fc00000u)), 1);
    EXPECT_EQ(vesh::magic_isnan(std::bit_cast<float>(0xffffffffu)), 1);
    float marker = 0;
    vesh::magic_setnan(&marker);
    EXPECT_EQ(std::bit_cast<uint32_t>(marker), 0x7fffffffu);
    EXPECT_EQ(vesh::magic_isnan(marker), 1);
}
