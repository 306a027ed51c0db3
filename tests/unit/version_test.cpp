#include "version.hpp"

#include <gtest/gtest.h>

using vesh::host_is_recent_enough;

TEST(HostVersion, OldestSupportedAndNewer) {
    EXPECT_TRUE(host_is_recent_enough({0, 51, 3}));
    EXPECT_TRUE(host_is_recent_enough({0, 52, 0}));
    EXPECT_TRUE(host_is_recent_enough({1, 0, 0}));
    EXPECT_TRUE(host_is_recent_enough({0, 53, 1}));
}

TEST(HostVersion, Older) {
    EXPECT_FALSE(host_is_recent_enough({0, 51, 2}));
    EXPECT_FALSE(host_is_recent_enough({0, 50, 9}));
    EXPECT_FALSE(host_is_recent_enough({0, 0, 0}));
}
