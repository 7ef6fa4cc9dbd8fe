#include "archive/name_pattern.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

TEST(NamePattern, ShellStyleCaseBlindOverStoredNames) {
    const std::string manyA(200, 'a');
    struct Case {
        const char* pattern;
        const char* name;
        bool matches;
    };
    for (const Case& c : {
             Case{"ART\\*.RAW", "ART\\sky.raw", true},
             {"art\\*.raw", "ART\\SKY.RAW", true},
             {"ART\\*.RAW", "ART\\PANEL\\sky.raw", false},  // * stays within one level
             {"ART\\**.RAW", "ART\\PANEL\\sky.raw", true},  // ** does not
             {"**", "a\\b:c", true},
             {"*", "a\\b", false},
             {"*.txt", "a:b.txt", false},  // the colon separates levels too
             {"*", "", true},
             {"?", "", false},
             {"?.txt", "a.txt", true},
             {"?", "\\", false},
             {"a?c", "abc", true},
             {"a?c", "ac", false},
             {"[abc]x", "Bx", true},
             {"[!abc]x", "dx", true},
             {"[^abc]x", "Ax", false},
             {"[a-f]1", "E1", true},
             {"[A-F]1", "g1", false},
             {"[]]", "]", true},
             {"[a-]", "-", true},
             {"[\\\\]", "\\", false},  // a set never takes a separator
             {"[ab", "[ab", true},     // unclosed: literal
             {"caf\xC9*", "caf\xE9.tga", true},
             {"\x9C*",
              "\x8C"
              "uvre",
              true},                      // œ and Œ
             {"x/y.*", "x/y.txt", true},  // a forward slash is an ordinary character
             {"x/y.*", "x\\y.txt", false},
             {"*a*a*a*a*a*a*a*b", manyA.c_str(), false},
             {"readme.txt", "README.TXT", true},
             {"readme.txt", "readme.txt.bak", false},
         }) {
        // Behind a literal prefix the pattern has too many tokens for the bit-mask automaton.
        for (const std::string& prefix : {std::string(), std::string(64, 'z')}) {
            EXPECT_EQ(NamePattern(prefix + c.pattern).matches(prefix + c.name), c.matches)
                << prefix << c.pattern << " against " << c.name;
        }
    }
    EXPECT_TRUE(NamePattern::hasWildcards("a[b"));
    EXPECT_FALSE(NamePattern::hasWildcards("ART\\a.tga"));
}

}  // namespace
}  // namespace kelvane
