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

std::string narrowedStatus(std::int64_t shown, std::int64_t total, std::int64_t ticked,
                           bool english) {
    char text[128] = "";
    int used = 0;
    if (shown != total) {
        used = std::snprintf(
            text, sizeof text,
            english ? " - %lld of %lld files shown" : " - %lld de %lld fichiers affichés",
            static_cast<long long>(shown), static_cast<long long>(total));
    }
    if (ticked > 0) {
        std::snprintf(text + used, sizeof text - std::size_t(used),
                      english       ? " - %lld ticked"
                      : ticked == 1 ? " - %lld coché"
                                    : " - %lld cochés",
                      static_cast<long long>(ticked));
    }
    return text;
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

std::string textSortKey(std::string_view text) {
    std::string key;
    key.reserve(text.size() * 2 + 1);
    for (char c : text) key += char(folded(static_cast<unsigned char>(c)));
    // Stored names hold no NUL, so the folded part always ends first.
    key += '\0';
    key += text;
    return key;
}

}  // namespace kelvane
