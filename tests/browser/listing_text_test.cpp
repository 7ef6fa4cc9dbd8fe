#include "browser/listing_text.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

TEST(StatusLine, BothLanguagesAndTotalsPastTwoGigabytes) {
    EXPECT_EQ(statusLine("Fly.pod", 0, 0, false), "Fly.pod - 0 fichiers pour 0 octets");
    EXPECT_EQ(statusLine("Fly.pod", 3, 5000000000LL, true),
              "Fly.pod - 3 files for 5000000000 bytes");
}

TEST(TimeFormat, ZoneRemovedWithItsBlanks) {
    EXPECT_EQ(timeFormatWithoutZone("HH:mm:ss t"), "HH:mm:ss");
    EXPECT_EQ(timeFormatWithoutZone("h:mm:ss AP tttt"), "h:mm:ss AP");
    EXPECT_EQ(timeFormatWithoutZone("t HH:mm:ss"), "HH:mm:ss");
    EXPECT_EQ(timeFormatWithoutZone("HH 'h' mm"), "HH 'h' mm");  // quoted text kept
    EXPECT_EQ(timeFormatWithoutZone("HH:mm:ss"), "HH:mm:ss");
}

TEST(CompareText, AlphabeticalIgnoringCaseThenBytes) {
    EXPECT_LT(compareText("apple", "Banana"), 0);
    EXPECT_GT(compareText("b", "A"), 0);
    EXPECT_LT(compareText("ab", "abc"), 0);
    EXPECT_EQ(compareText("\xC9t\xE9", "\xE9T\xC9") < 0, std::string("\xC9t\xE9") < "\xE9T\xC9");
    EXPECT_EQ(compareText("same", "same"), 0);
    EXPECT_NE(compareText("Same", "same"), 0);  // a stable, total order
}

}  // namespace
}  // namespace kelvane
