// Which words read as numbers: the host's own rule, not strtod's.
#include "number_text.hpp"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(NumberText, OnlyWhatTheHostReadsAsANumber) {
    for (const char *w :
         {"1", "-2.5", ".5", "-.5", "1.", "00", "1e5", "1E+5", "1e-5", "1.e3", "1e999"}) {
        EXPECT_TRUE(vesh::is_number_text(w, std::strlen(w))) << w;
    }
    for (const char *w :
         {"",      "-",  ".",   "-.",   "+1", "+.5", "nan",   "inf",   "-inf", "infinity", "0x1A",
          "-0x1A", "1e", "1e+", "1ee5", "e5", ".e3", "1.5.2", "1e5.5", "--1",  "5a",       "1 "}) {
        EXPECT_FALSE(vesh::is_number_text(w, std::strlen(w))) << w;
    }
}

}  // namespace
