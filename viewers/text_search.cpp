#include "viewers/text_search.h"

#include <algorithm>

namespace kelvane {
namespace {

bool boundaryBefore(std::u16string_view text, std::size_t start) {
    return start == 0 || !isWordCharacter(text[start - 1]);
}

bool boundaryAfter(std::u16string_view text, std::size_t end) {
    return end >= text.size() || !isWordCharacter(text[end]);
}

bool isWholeWord(std::u16string_view text, std::size_t start, std::size_t length) {
    return boundaryBefore(text, start) && boundaryAfter(text, start + length);
}

}  // namespace

bool isWordCharacter(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || c == u'_' ||
           (c >= u'a' && c <= u'z');
}

std::u16string asciiUpper(std::u16string_view text) {
    std::u16string upper(text);
    for (char16_t& c : upper) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    }
    return upper;
}

std::size_t searchDown(std::u16string_view text, std::size_t from, std::u16string_view pattern,
                       bool wholeWord) {
    if (pattern.empty()) return 0;
    std::size_t pos = from;
    while (pos <= text.size()) {
        const std::size_t found = text.find(pattern, pos);
        if (found == std::u16string_view::npos) return 0;
        if (!wholeWord || isWholeWord(text, found, pattern.size())) return found - from + 1;
        pos = found + pattern.size();  // after the refused occurrence's last character
    }
    return 0;
}

std::size_t searchUp(std::u16string_view text, std::size_t end, std::u16string_view pattern,
                     bool wholeWord) {
    end = std::min(end, text.size());
    if (pattern.empty() || pattern.size() > end) return 0;
    // Every start from the last one that fits down to the first character.
    std::size_t start = end - pattern.size() + 1;  // 1-based
    while (start >= 1) {
        if (text.substr(start - 1, pattern.size()) != pattern) {
            --start;
            continue;
        }
        if (!wholeWord || isWholeWord(text, start - 1, pattern.size())) return start;
        // Refused: the text is cut to end at the refused occurrence's first character (before
        // it for a one-character pattern, which would otherwise be found again).
        const std::size_t step = std::max<std::size_t>(pattern.size(), 2) - 1;
        if (start <= step) return 0;
        start -= step;
    }
    return 0;
}

int findText(std::u16string_view text, std::u16string_view pattern, int base,
             const SearchOptions& options) {
    std::u16string foldedText;
    std::u16string foldedPattern;
    if (!options.matchCase) {
        foldedText = asciiUpper(text);
        foldedPattern = asciiUpper(pattern);
        text = foldedText;
        pattern = foldedPattern;
    }
    const std::size_t limit = base < 0 ? (options.down ? 0 : text.size())
                                       : std::min(static_cast<std::size_t>(base), text.size());
    if (options.down) {
        const std::size_t result = searchDown(text, limit, pattern, options.wholeWord);
        return result == 0 ? -1 : static_cast<int>(limit + result - 1);
    }
    const std::size_t result = searchUp(text, limit, pattern, options.wholeWord);
    return static_cast<int>(result) - 1;
}

}  // namespace kelvane
