#include "archive/timestamps.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

void expectDate(const LocalDateTime& t, int y, int mo, int d, int h, int mi, int s) {
    EXPECT_EQ(t.year, y);
    EXPECT_EQ(t.month, mo);
    EXPECT_EQ(t.day, d);
    EXPECT_EQ(t.hour, h);
    EXPECT_EQ(t.minute, mi);
    EXPECT_EQ(t.second, s);
}

TEST(DateDecode, StandardBiasIsSubtracted) {
    expectDate(DateDecode(0, 0), 1970, 1, 1, 0, 0, 0);
    EXPECT_TRUE(DateDecode(0, 0).isMidnight());
    expectDate(DateDecode(0, -60), 1970, 1, 1, 1, 0, 0);         // Paris, standard time
    expectDate(DateDecode(0, 300), 1969, 12, 31, 19, 0, 0);      // New York
    expectDate(DateDecode(951782400, 0), 2000, 2, 29, 0, 0, 0);  // leap day
    expectDate(DateDecode(1000000000, 0), 2001, 9, 9, 1, 46, 40);
}

TEST(DateDecode, WholeSigned32BitRange) {
    expectDate(DateDecode(0xFFFFFFFFu, 0), 1969, 12, 31, 23, 59, 59);  // -1
    expectDate(DateDecode(0x80000000u, 0), 1901, 12, 13, 20, 45, 52);
    expectDate(DateDecode(0x7FFFFFFFu, 0), 2038, 1, 19, 3, 14, 7);
}

}  // namespace
}  // namespace kelvane
