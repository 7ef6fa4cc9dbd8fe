#include "settings/window_settings.h"

#include <algorithm>

#include "settings/ini_file.h"
#include "settings/settings.h"

namespace kelvane {
namespace {

constexpr const char* kRecentSection = "recent";
constexpr const char* kWindowSection = "fenetre";

std::string recentKey(std::size_t position) {
    return "archive" + std::to_string(position + 1);
}

// A settings file without a language key reads as English: one made only to keep the
// window's habits gets the language in force first, so that it does not change it.
IniFile writableSettings(const std::string& iniPath) {
    IniFile file(iniPath);
    if (!file.exists())
        file.writeString("init", "langage", settings().isEnglish() ? "english" : "français");
    return file;
}

}  // namespace

std::vector<std::string> readRecentArchives(const std::string& iniPath) {
    const IniFile file(iniPath);
    std::vector<std::string> paths;
    if (!file.exists()) return paths;
    for (std::size_t i = 0; i < kRecentArchiveCount; ++i) {
        std::string path = file.readString(kRecentSection, recentKey(i), "");
        if (!path.empty()) paths.push_back(std::move(path));
    }
    return paths;
}

std::vector<std::string> rememberArchive(const std::string& iniPath, const std::string& path) {
    std::vector<std::string> paths = readRecentArchives(iniPath);
    paths.erase(std::remove(paths.begin(), paths.end(), path), paths.end());
    paths.insert(paths.begin(), path);
    if (paths.size() > kRecentArchiveCount) paths.resize(kRecentArchiveCount);
    IniFile file = writableSettings(iniPath);
    for (std::size_t i = 0; i < kRecentArchiveCount; ++i)
        file.writeString(kRecentSection, recentKey(i), i < paths.size() ? paths[i] : "");
    return paths;
}

WindowLayout readWindowLayout(const std::string& iniPath) {
    const IniFile file(iniPath);
    WindowLayout layout;
    if (!file.exists()) return layout;
    layout.geometry = file.readString(kWindowSection, "geometrie", "");
    layout.panes = file.readString(kWindowSection, "panneaux", "");
    layout.columns = file.readString(kWindowSection, "colonnes", "");
    layout.preview = file.readString(kWindowSection, "apercu", "1") != "0";
    return layout;
}

void saveWindowLayout(const std::string& iniPath, const WindowLayout& layout) {
    IniFile file = writableSettings(iniPath);
    file.writeString(kWindowSection, "geometrie", layout.geometry);
    file.writeString(kWindowSection, "panneaux", layout.panes);
    file.writeString(kWindowSection, "colonnes", layout.columns);
    file.writeString(kWindowSection, "apercu", layout.preview ? "1" : "0");
}

}  // namespace kelvane
