#include "decoders/real_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kelvane {
namespace {

TEST(RealText, FixedNotationKeepsFifteenSignificantDigits) {
    EXPECT_EQ(formatReal(1.5, '.'), "1.5");
    EXPECT_EQ(formatReal(-2, '.'), "-2");
    EXPECT_EQ(formatReal(100, '.'), "100");
    EXPECT_EQ(formatReal(0.1, '.'), "0.1");
    EXPECT_EQ(formatReal(1.0 / 3, '.'), "0.333333333333333");
    EXPECT_EQ(formatReal(-2.0 / 3, '.'), "-0.666666666666667");
    EXPECT_EQ(formatReal(0.00001, '.'), "0.00001");
    EXPECT_EQ(formatReal(0.000012345, '.'), "0.000012345");
    EXPECT_EQ(formatReal(123456789012345, '.'), "123456789012345");
    EXPECT_EQ(formatReal(12345.678901234567, '.'), "12345.6789012346");
    EXPECT_EQ(formatReal(0.0, '.'), "0");
    EXPECT_EQ(formatReal(-0.0, '.'), "0");
}

TEST(RealText, ScientificNotationBeyondFixedRange) {
    EXPECT_EQ(formatReal(1e20, '.'), "1E+20");
    EXPECT_EQ(formatReal(-1.5e20, '.'), "-1.5E+20");
    EXPECT_EQ(formatReal(1e-7, '.'), "1E-7");
    EXPECT_EQ(formatReal(2.5e-6, '.'), "2.5E-6");
    EXPECT_EQ(formatReal(0.0000099999, '.'), "9.9999E-6");
    EXPECT_EQ(formatReal(1234567890123456, '.'), "1.23456789012346E+15");
    EXPECT_EQ(formatReal(123456789012345678.0, '.'), "1.23456789012346E+17");
    // Rounding to 15 digits carries into a sixteenth integer digit.
    EXPECT_EQ(formatReal(999999999999999.9, '.'), "1E+15");
    EXPECT_EQ(formatReal(1e308, '.'), "1E+308");
    EXPECT_EQ(formatReal(5e-324, '.'), "4.94065645841247E-324");
}

TEST(RealText, SeparatorAndSpecialValues) {
    EXPECT_EQ(formatReal(1.5, ','), "1,5");
    EXPECT_EQ(formatReal(-0.00025, ','), "-0,00025");
    EXPECT_EQ(formatReal(1.5e20, ','), "1,5E+20");
    EXPECT_EQ(formatReal(std::numeric_limits<double>::infinity(), ','), "INF");
    EXPECT_EQ(formatReal(-std::numeric_limits<double>::infinity(), ','), "-INF");
    EXPECT_EQ(formatReal(std::nan(""), ','), "NAN");
}

}  // namespace
}  // namespace kelvane
