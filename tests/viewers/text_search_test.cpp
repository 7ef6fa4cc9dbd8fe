#include "viewers/text_search.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

constexpr SearchOptions kDown{true, false, false};
constexpr SearchOptions kDownWord{true, false, true};
constexpr SearchOptions kUp{false, false, false};
constexpr SearchOptions kUpWord{false, false, true};

TEST(TextSearch, WordCharactersAndCaseFolding) {
    EXPECT_TRUE(isWordCharacter(u'0') && isWordCharacter(u'9') && isWordCharacter(u'_'));
    EXPECT_TRUE(isWordCharacter(u'A') && isWordCharacter(u'z'));
    EXPECT_FALSE(isWordCharacter(u'@') || isWordCharacter(u'[') || isWordCharacter(u'`') ||
                 isWordCharacter(u'{') || isWordCharacter(u'é') || isWordCharacter(u'-'));
    EXPECT_EQ(asciiUpper(u"az{é`ÿ"), u"AZ{é`ÿ");

    // Only a-z fold: "é" never meets "É", with or without match case.
    EXPECT_EQ(findText(u"Café CAFÉ", u"CAFÉ", -1, kDown), 5);
    EXPECT_EQ(findText(u"Café", u"CAFÉ", -1, kDown), -1);
    EXPECT_EQ(findText(u"xxABC", u"abc", -1, kDown), 2);
    EXPECT_EQ(findText(u"xxABC abc", u"abc", -1, {true, true, false}), 6);
}

TEST(TextSearch, WholeWordDown) {
    // The first "ab" is refused because of the "x" before it.
    EXPECT_EQ(findText(u"xab ab", u"ab", -1, kDownWord), 4);
    EXPECT_EQ(searchDown(u"xab ab", 0, u"ab", true), 5u);
    // Word characters on either side refuse; punctuation and the text's ends accept.
    EXPECT_EQ(findText(u"abc_ab1 (ab)", u"ab", -1, kDownWord), 9);
    EXPECT_EQ(findText(u"abab", u"ab", -1, kDownWord), -1);
    // After a refusal the search goes on after the refused occurrence, so the valid
    // occurrence starting inside it is not found.
    EXPECT_EQ(searchDown(u"ba-a-a", 0, u"a-a", true), 0u);
    // A continued search does not take the character before the base for a boundary.
    EXPECT_EQ(findText(u"xab", u"ab", 1, kDownWord), -1);
}

TEST(TextSearch, OverlappingMatchesContinueAfterTheSelection) {
    // "aa" in "aaaa": the first search selects 0-1; continuing after the selection finds 2-3.
    const std::u16string text = u"aaaa";
    EXPECT_EQ(findText(text, u"aa", -1, kDown), 0);
    EXPECT_EQ(findText(text, u"aa", 0 + 2, kDown), 2);
    EXPECT_EQ(findText(text, u"aa", 2 + 2, kDown), -1);
    // Up ends before the base: with the selection starting at 2, the overlapping 1-2 is
    // out of reach and 0-1 is found.
    EXPECT_EQ(findText(text, u"aa", 2, kUp), 0);
    EXPECT_EQ(findText(text, u"aa", 0, kUp), -1);
    // A base past the end is clamped.
    EXPECT_EQ(findText(text, u"aa", 99, kUp), 2);
    EXPECT_EQ(findText(text, u"aa", 99, kDown), -1);
}

TEST(TextSearch, SearchUp) {
    EXPECT_EQ(searchUp(u"ab ab ab", 8, u"ab", false), 7u);
    EXPECT_EQ(searchUp(u"ab ab ab", 7, u"ab", false), 4u);
    EXPECT_EQ(searchUp(u"ab", 2, u"abc", false), 0u);
    EXPECT_EQ(searchUp(u"ab", 2, u"", false), 0u);
    EXPECT_EQ(findText(u"ab xab", u"AB", -1, kUpWord), 0);
    // After a refusal the next occurrence may end on the refused one's first character.
    EXPECT_EQ(searchUp(u"a-a-ab", 6, u"a-a", true), 1u);
    // ...but a word character after it still refuses it.
    EXPECT_EQ(searchUp(u"aaa", 3, u"aa", true), 0u);
    // A one-character string refused everywhere ends the search; one accepted earlier on
    // is found.
    EXPECT_EQ(searchUp(u"aaaa", 4, u"a", true), 0u);
    EXPECT_EQ(searchUp(u"a aaa", 5, u"a", true), 1u);
}

}  // namespace
}  // namespace kelvane
