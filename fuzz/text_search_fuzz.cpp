#include <cstddef>
#include <cstdint>
#include <string>

#include "viewers/text_search.h"

// Input: one byte of options and base, then the search string and the text separated by the
// first NUL character.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t control = data[0];
    std::u16string pattern;
    std::u16string text;
    bool inText = false;
    for (std::size_t i = 1; i + 1 < size; i += 2) {
        const auto c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
        if (c == 0 && !inText) {
            inText = true;
        } else {
            (inText ? text : pattern) += c;
        }
    }
    const int base = (control >> 3) == 31 ? -1 : (control >> 3);
    const kelvane::SearchOptions options{(control & 1) != 0, (control & 2) != 0,
                                         (control & 4) != 0};
    const int found = kelvane::findText(text, pattern, base, options);
    if (found >= 0 && static_cast<std::size_t>(found) + pattern.size() > text.size()) {
        __builtin_trap();
    }
    return 0;
}
