#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace kelvane {

// What the main window keeps between runs in the settings file, besides the language and
// the directories: the archives opened last and how the window was laid out.

inline constexpr std::size_t kRecentArchiveCount = 8;

// The window's layout; empty when never saved.
struct WindowLayout {
    std::string geometry;        // the window's own encoding of its size and place
    std::vector<int> panes;      // splitter sizes
    std::vector<int> columns;    // the listing's column widths
    bool preview = true;         // the preview pane shown
    bool picturesAsPng = false;  // extraction converts the pictures to PNG
};

// The recent archives and the layout as this run knows them: read from the settings file
// once, then changed in memory and written back after each change. When the file refuses a
// write, memory keeps the change, so the rest of the run still sees it; the first refusal is
// told, once (the main window holds one of these for the run).
class WindowSettings {
  public:
    explicit WindowSettings(std::string iniPath) : iniPath_(std::move(iniPath)) {}

    // Reads the list and the layout from the file; none without a settings file.
    void read();

    // The archives opened last, the newest first (UTF-8 paths).
    const std::vector<std::string>& recentArchives() const { return recent_; }
    const WindowLayout& layout() const { return layout_; }

    // Puts `path` first in the list (once), keeps the newest eight and writes them. Returns
    // what to tell the user, in the interface language, when this is the first write the
    // file refuses; empty otherwise.
    std::string rememberArchive(const std::string& path, bool english);
    // Takes `path` off the list and writes it; returns as rememberArchive does.
    std::string forgetArchive(const std::string& path, bool english);
    // Keeps `layout` and writes it; a refusal is not told: the window is closing.
    void saveLayout(const WindowLayout& layout);

  private:
    std::string writeRecentArchives(bool english);

    std::string iniPath_;
    std::vector<std::string> recent_;
    WindowLayout layout_;
    bool refusalTold_ = false;
};

}  // namespace kelvane
