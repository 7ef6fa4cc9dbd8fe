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

TEST(TextSortKey, AlphabeticalIgnoringCaseThenBytes) {
    const auto before = [](std::string_view a, std::string_view b) {
        return textSortKey(a) < textSortKey(b);
    };
    EXPECT_TRUE(before("apple", "Banana"));
    EXPECT_TRUE(before("A", "b"));
    EXPECT_TRUE(before("ab", "ABC"));             // a shorter text first
    EXPECT_TRUE(before("\xC9t\xE9", "\xEAtre"));  // É sorts with é, before ê
    EXPECT_TRUE(before("Same", "same"));          // equal letters: the bytes decide
    EXPECT_FALSE(before("same", "same"));
    EXPECT_TRUE(before("dir\\z", "dir\\\xE0"));
}

}  // namespace
}  // namespace kelvane
