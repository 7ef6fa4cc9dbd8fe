#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kelvane {

// The status line under the listing: "<file> - <N> fichiers pour <total> octets", or the
// English form.
std::string statusLine(std::string_view fileName, std::int64_t entryCount, std::int64_t totalBytes,
                       bool english);

// What the status line adds when the listing is narrowed or entries are ticked:
// " - <shown> de <total> fichiers affichés" while a filter or folder hides entries, and
// " - <ticked> cochés" while any are ticked (or the English forms); empty otherwise.
std::string narrowedStatus(std::int64_t shown, std::int64_t total, std::int64_t ticked,
                           bool english);

// A locale time format (Qt's letters: h, m, s, AP, t...) without its time-zone part, and
// without the blanks that only separated it from the rest.
std::string timeFormatWithoutZone(std::string_view format);

// The key that puts Windows-1252 texts in alphabetical order when compared as bytes:
// letters without regard to case first, then the bytes themselves, so that the order is
// total.
std::string textSortKey(std::string_view text);

}  // namespace kelvane
