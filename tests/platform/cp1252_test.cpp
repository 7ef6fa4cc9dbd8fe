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

TEST(Cp1252, Utf8Validity) {
    for (const char* valid : {"", "ascii", "français", "\xD0\x94", "\xE2\x82\xAC",
                              "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF"}) {
        EXPECT_TRUE(isValidUtf8(valid)) << valid;
    }
    for (const char* invalid :
         {"caf\xE9 cr\xE8me", "\xC3", "\x80", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80",
          "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\xE2\x82"}) {
        EXPECT_FALSE(isValidUtf8(invalid)) << invalid;
    }
}

}  // namespace
}  // namespace kelvane
