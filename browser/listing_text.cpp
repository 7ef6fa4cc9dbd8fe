#include "browser/listing_text.h"

#include <cstdio>

namespace kelvane {
namespace {

unsigned char folded(unsigned char c) {
    if (c >= 'A' && c <= 'Z') return c + ('a' - 'A');
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 0x20;
    return c;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::string statusLine(std::string_view fileName, std::int64_t entryCount, std::int64_t totalBytes,
                       bool english) {
    const char* format =
        english ? " - %lld files for %lld bytes" : " - %lld fichiers pour %lld octets";
    char counts[96];
    std::snprintf(counts, sizeof counts, format, static_cast<long long>(entryCount),
                  static_cast<long long>(totalBytes));
    return std::string(fileName) + counts;
}

std::string timeFormatWithoutZone(std::string_view format) {
    std::string result;
    bool quoted = false;
    for (char c : format) {
        if (c == '\'') quoted = !quoted;
        if (!quoted && c == 't') {
            // Drop the blanks that led up to the zone.
            while (!result.empty() && isBlank(result.back())) result.pop_back();
            continue;
        }
        result += c;
    }
    // A zone written first leaves the blanks that followed it.
    const std::size_t first = result.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : result.substr(first);
}

int compareText(std::string_view a, std::string_view b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const int difference = int(folded(a[i])) - int(folded(b[i]));
        if (difference != 0) return difference;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a.compare(b);
}

}  // namespace kelvane
