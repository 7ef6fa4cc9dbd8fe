#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// A shell-style pattern over stored names (Windows-1252 bytes), compared case-blind as the
// simulators compare names (upper-cased, accented letters included):
//   *      any run of characters within one folder level (never a backslash or colon)
//   **     any run of characters, across folder levels
//   ?      one character other than a backslash or colon
//   [...]  one character of the set: ranges a-z, negated by a leading ! or ^, a ] first is
//          literal; an unclosed [ is literal
// Everything else stands for itself. The backslash is not an escape: it is the folder
// separator of stored names and matches a backslash; a forward slash is an ordinary character.
class NamePattern {
  public:
    explicit NamePattern(std::string_view pattern);

    bool matches(std::string_view storedName) const;
    // True when `text` holds a *, ? or [ (otherwise a pattern matches one name, case-blind).
    static bool hasWildcards(std::string_view text);

  private:
    struct Token {
        enum class Kind { Set, Star, AnyDepth } kind = Kind::Set;
        std::bitset<256> set;  // upper-cased characters a Set token takes
    };
    bool matchesLong(std::string_view storedName) const;

    std::vector<Token> tokens_;
    // For patterns of at most kShortTokens tokens, the automaton as bit masks over token
    // positions: which Set tokens take each stored byte (case folded in), which are stars.
    static constexpr std::size_t kShortTokens = 63;
    std::vector<std::uint64_t> takes_;  // 256 masks, empty for longer patterns
    std::uint64_t stars_ = 0, anyDepth_ = 0;
};

}  // namespace kelvane
