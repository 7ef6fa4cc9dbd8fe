#include "browser/listing_filter.h"

#include "platform/cp1252.h"

namespace kelvane {
namespace {

// Upper-case forms of every Windows-1252 byte, looked up once per compared character.
const std::array<unsigned char, 256>& upperTable() {
    static const std::array<unsigned char, 256> table = [] {
        std::array<unsigned char, 256> upper{};
        for (int c = 0; c < 256; ++c)
            upper[std::size_t(c)] = cp1252Upper(static_cast<unsigned char>(c));
        return upper;
    }();
    return table;
}

}  // namespace

ListingFilter::ListingFilter(std::string_view text)
    : pattern_(cp1252Upper(utf8ToCp1252(text))), matchesNothing_(!fitsCp1252(text)) {}

bool ListingFilter::keeps(std::string_view storedName) const {
    if (matchesNothing_) return false;
    if (pattern_.empty()) return true;
    const auto& upper = upperTable();
    // A glob match of "*pattern*": on a mismatch, the last star (the implicit leading one
    // at first) takes one more character and matching resumes after it.
    std::size_t p = 0, n = 0;
    std::size_t starPattern = 0, starName = 0;  // just after the last star; where it resumed
    while (p < pattern_.size()) {
        const char wanted = pattern_[p];
        if (wanted == '*') {
            starPattern = ++p;
            starName = n;
            continue;
        }
        if (n < storedName.size() &&
            (wanted == '?' || static_cast<unsigned char>(wanted) ==
                                  upper[static_cast<unsigned char>(storedName[n])])) {
            ++p;
            ++n;
            continue;
        }
        if (starName >= storedName.size()) return false;
        p = starPattern;
        n = ++starName;
    }
    return true;  // the implicit trailing star takes the rest of the name
}

}  // namespace kelvane
