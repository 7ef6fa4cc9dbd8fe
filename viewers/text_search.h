#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kelvane {

// Searching the text of a text box. The text is UTF-16, as the text box holds it, so that
// offsets here are the text box's own character positions.

// "0"-"9", "A"-"Z", "_" and "a"-"z"; any other character is a word boundary.
bool isWordCharacter(char16_t c);

// Upper case for the letters a-z only; every other character is kept as it is.
std::u16string asciiUpper(std::u16string_view text);

// First occurrence of `pattern` in `text` from offset `from` on. Returns its 1-based
// position counted from `from`, or 0. With `wholeWord`, an occurrence counts only when the
// characters of `text` around it are boundaries (the ends of `text` are); a refused
// occurrence is skipped as a whole, so occurrences that start inside it are never found.
std::size_t searchDown(std::u16string_view text, std::size_t from, std::u16string_view pattern,
                       bool wholeWord);

// Last occurrence of `pattern` that lies wholly before offset `end` of `text`. Returns its
// 1-based position, or 0. With `wholeWord`, after a refused occurrence the search goes on
// among occurrences that end no later than the refused one's first character (for a
// one-character pattern: before it), so the search always ends.
std::size_t searchUp(std::u16string_view text, std::size_t end, std::u16string_view pattern,
                     bool wholeWord);

struct SearchOptions {
    bool down = true;
    bool matchCase = false;
    bool wholeWord = false;
};

// A search of the whole text from `base`: -1 searches all of it; otherwise searching down
// looks at the text from `base` on and searching up at the text before it. Returns the
// 0-based offset of the match in `text`, or -1.
int findText(std::u16string_view text, std::u16string_view pattern, int base,
             const SearchOptions& options);

}  // namespace kelvane
