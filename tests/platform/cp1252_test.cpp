#include "platform/cp1252.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

TEST(Cp1252, AccentsAndHighControlsRoundTrip) {
    const std::string french = "R\xE9pertoire \x80 \x9C \xFF";
    const std::string utf8 = cp1252ToUtf8(french);
    EXPECT_EQ(utf8, "Répertoire € œ ÿ");
    EXPECT_EQ(utf8ToCp1252(utf8), french);
}

TEST(Cp1252, UndefinedAndUnmappableBytes) {
    EXPECT_EQ(cp1252ToUtf8("\x81"), "\xEF\xBF\xBD");
    EXPECT_EQ(utf8ToCp1252("日本"), "??");
    EXPECT_EQ(utf8ToCp1252("a\xC3"), "a?");  // cut sequence
    EXPECT_EQ(utf8ToCp1252("\x80z"), "?z");  // stray continuation byte
    EXPECT_EQ(utf8ToCp1252("😀x"), "?x");     // four-byte sequence
}

}  // namespace
}  // namespace kelvane
