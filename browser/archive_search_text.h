#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace kelvane {

struct SearchNews;

// One text of the search window in both languages; `name` is the object name of the widget
// that shows it ("" for the window's caption).
struct SearchCaption {
    const char* name;
    const char* french;
    const char* english;
};

extern const std::array<SearchCaption, 7> kArchiveSearchCaptions;
// The result table's columns.
extern const std::array<SearchCaption, 4> kArchiveSearchHeaders;

// The line under the results: "12 / 100 archives, 340 trouvés" while searching (singular
// for one); once done the same without the running count, with the unreadable archives
// counted, or why the folder could not be searched; the English forms when `english`.
std::string searchProgressLine(const SearchNews& news, std::size_t found, std::size_t unreadable,
                               bool english);

}  // namespace kelvane
