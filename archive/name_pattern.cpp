#include "archive/name_pattern.h"

#include "platform/cp1252.h"

namespace kelvane {
namespace {

bool isSeparator(unsigned char c) {
    return c == '\\' || c == ':';
}

}  // namespace

NamePattern::NamePattern(std::string_view pattern) {
    std::size_t i = 0;
    while (i < pattern.size()) {
        const unsigned char c = static_cast<unsigned char>(pattern[i]);
        Token token;
        if (c == '*') {
            const bool anyDepth = i + 1 < pattern.size() && pattern[i + 1] == '*';
            token.kind = anyDepth ? Token::Kind::AnyDepth : Token::Kind::Star;
            i += anyDepth ? 2 : 1;
            while (i < pattern.size() && pattern[i] == '*') ++i;  // *** is **
            if (!tokens_.empty() && tokens_.back().kind != Token::Kind::Set) {
                // Two stars in a row: the wider one stands for both.
                if (token.kind == Token::Kind::AnyDepth) tokens_.back().kind = token.kind;
                continue;
            }
        } else if (c == '?') {
            token.set.set();
            token.set.reset('\\');
            token.set.reset(':');
            ++i;
        } else if (c == '[') {
            std::size_t j = i + 1;
            const bool negated = j < pattern.size() && (pattern[j] == '!' || pattern[j] == '^');
            if (negated) ++j;
            const std::size_t first = j;
            std::bitset<256> set;
            while (j < pattern.size() && (pattern[j] != ']' || j == first)) {
                unsigned char low = static_cast<unsigned char>(pattern[j]);
                unsigned char high = low;
                if (j + 2 < pattern.size() && pattern[j + 1] == '-' && pattern[j + 2] != ']') {
                    high = static_cast<unsigned char>(pattern[j + 2]);
                    j += 2;
                }
                for (unsigned v = low; v <= high; ++v)
                    set.set(cp1252Upper(static_cast<unsigned char>(v)));
                ++j;
            }
            if (j >= pattern.size()) {  // no closing bracket: a literal [
                token.set.set(cp1252Upper(c));
                ++i;
            } else {
                token.set = negated ? ~set : set;
                token.set.reset('\\');
                token.set.reset(':');
                i = j + 1;
            }
        } else {
            token.set.set(cp1252Upper(c));
            ++i;
        }
        tokens_.push_back(token);
    }
    if (tokens_.size() > kShortTokens) return;
    takes_.assign(256, 0);
    for (std::size_t j = 0; j < tokens_.size(); ++j) {
        const std::uint64_t bit = std::uint64_t(1) << j;
        switch (tokens_[j].kind) {
            case Token::Kind::Set:
                for (unsigned c = 0; c < 256; ++c) {
                    if (tokens_[j].set.test(cp1252Upper(static_cast<unsigned char>(c))))
                        takes_[c] |= bit;
                }
                break;
            case Token::Kind::AnyDepth:
                anyDepth_ |= bit;
                [[fallthrough]];
            case Token::Kind::Star:
                stars_ |= bit;
                break;
        }
    }
}

bool NamePattern::hasWildcards(std::string_view text) {
    return text.find_first_of("*?[") != std::string_view::npos;
}

bool NamePattern::matches(std::string_view storedName) const {
    if (takes_.empty()) return matchesLong(storedName);
    // Bit j set: token position j reached. A star reached reaches past itself too (stars never
    // follow one another, so one step closes the set); a Set token moves on by one on a byte it
    // takes; a star stays on any byte but a separator, ** on any byte.
    const std::uint64_t end = std::uint64_t(1) << tokens_.size();
    std::uint64_t reached = 1 | ((1 & stars_) << 1);
    for (const char byte : storedName) {
        const unsigned char c = static_cast<unsigned char>(byte);
        std::uint64_t next = (reached & takes_[c]) << 1;
        next |= reached & (isSeparator(c) ? anyDepth_ : stars_);
        if (next == 0) return false;
        reached = next | ((next & stars_) << 1);
    }
    return (reached & end) != 0;
}

bool NamePattern::matchesLong(std::string_view storedName) const {
    // The pattern as a small automaton: the set of token positions reached so far, a star
    // reaching past itself as well. Linear in name length times pattern length.
    const std::size_t n = tokens_.size();
    std::vector<char> reached(n + 1, 0), next(n + 1, 0);
    auto close = [&](std::vector<char>& states) {
        for (std::size_t j = 0; j < n; ++j) {
            if (states[j] && tokens_[j].kind != Token::Kind::Set) states[j + 1] = 1;
        }
    };
    reached[0] = 1;
    close(reached);
    for (const char byte : storedName) {
        const unsigned char c = static_cast<unsigned char>(byte);
        const unsigned char upper = cp1252Upper(c);
        std::fill(next.begin(), next.end(), 0);
        bool any = false;
        for (std::size_t j = 0; j < n; ++j) {
            if (!reached[j]) continue;
            const Token& token = tokens_[j];
            if (token.kind == Token::Kind::Set) {
                if (token.set.test(upper)) next[j + 1] = any = 1;
            } else if (token.kind == Token::Kind::AnyDepth || !isSeparator(c)) {
                next[j] = any = 1;
            }
        }
        if (!any) return false;
        close(next);
        reached.swap(next);
    }
    return reached[n] != 0;
}

}  // namespace kelvane
