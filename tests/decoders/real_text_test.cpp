#include "decoders/real_text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace kelvane {
namespace {

// 999999999999999.9 rounds to a sixteenth integer digit, so it turns scientific.
TEST(RealText, FifteenDigitsInFixedOrScientificForm) {
    const struct {
        double value;
        char separator;
        const char* text;
    } cases[] = {{1.5, ',', "1,5"},
                 {-0.0, '.', "0"},
                 {1.0 / 3, '.', "0.333333333333333"},
                 {0.00001, '.', "0.00001"},
                 {0.0000099999, '.', "9.9999E-6"},
                 {1e-7, '.', "1E-7"},
                 {123456789012345, '.', "123456789012345"},
                 {1e20, '.', "1E+20"},
                 {-1.5e20, ',', "-1,5E+20"},
                 {123456789012345678.0, '.', "1.23456789012346E+17"},
                 {999999999999999.9, '.', "1E+15"},
                 {INFINITY, '.', "INF"},
                 {-INFINITY, '.', "-INF"},
                 {NAN, '.', "NAN"}};
    for (const auto& c : cases) EXPECT_EQ(formatReal(c.value, c.separator), c.text) << c.value;
}

}  // namespace
}  // namespace kelvane
