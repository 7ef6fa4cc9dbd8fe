#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kelvane {

// What the main window keeps between runs in the settings file, besides the language and
// the directories: the archives opened last and how the window was laid out.

inline constexpr std::size_t kRecentArchiveCount = 8;

// The archives opened last, the newest first (UTF-8 paths); none without a settings file.
std::vector<std::string> readRecentArchives(const std::string& iniPath);
// Puts `path` first in the list (once), keeps the newest eight, writes them and returns them.
std::vector<std::string> rememberArchive(const std::string& iniPath, const std::string& path);

// The window's layout; empty when never saved.
struct WindowLayout {
    std::string geometry;      // the window's own encoding of its size and place
    std::vector<int> panes;    // splitter sizes
    std::vector<int> columns;  // the listing's column widths
    bool preview = true;       // the preview pane shown
};

WindowLayout readWindowLayout(const std::string& iniPath);
void saveWindowLayout(const std::string& iniPath, const WindowLayout& layout);

}  // namespace kelvane
