#include "atoms.hpp"

#include <gtest/gtest.h>

#include <limits>

// Indices come from user floats of any value; the conversion must stay defined.
TEST(ToIndex, TruncatesTowardZeroAndSaturates) {
    EXPECT_EQ(vesh::to_index(2.9f), 2);
    EXPECT_EQ(vesh::to_index(-2.9f), -2);
    EXPECT_EQ(vesh::to_index(-0.5f), 0);
    EXPECT_EQ(vesh::to_index(1e30f), vesh::index_limit);
    EXPECT_EQ(vesh::to_index(-1e30f), -vesh::index_limit);
    EXPECT_EQ(vesh::to_index(std::numeric_limits<float>::infinity()), vesh::index_limit);
    EXPECT_EQ(vesh::to_index(-std::numeric_limits<float>::infinity()), -vesh::index_limit);
    // NaN selects nothing: it reads as the most negative index.
    EXPECT_EQ(vesh::to_index(std::numeric_limits<float>::quiet_NaN()), -vesh::index_limit);
}

TEST(ToCount, ClampsToItsRange) {
    EXPECT_EQ(vesh::to_count(0, 2, 512), 2);
    EXPECT_EQ(vesh::to_count(3.7f, 2, 512), 3);
    EXPECT_EQ(vesh::to_count(1e9f, 2, 512), 512);
    EXPECT_EQ(vesh::to_count(std::numeric_limits<float>::quiet_NaN(), 2, 512), 2);
}
