#include "settings/window_settings.h"

#include <algorithm>

#include "settings/ini_file.h"
#include "settings/settings.h"

namespace kelvane {
namespace {

constexpr const char* kRecentSection = "recent";
constexpr const char* kWindowSection = "fenetre";

// Sizes are kept as "180,620,320"; a malformed list reads as none.
std::string joined(const std::vector<int>& numbers) {
    std::string text;
    for (const int number : numbers) text += (text.empty() ? "" : ",") + std::to_string(number);
    return text;
}

std::vector<int> numbersIn(const std::string& text) {
    std::vector<int> numbers;
    std::size_t start = 0;
    while (!text.empty() && start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos) end = text.size();
        const std::string part = text.substr(start, end - start);
        if (part.empty() || part.size() > 6 ||
            part.find_first_not_of("0123456789") != std::string::npos)
            return {};
        numbers.push_back(std::stoi(part));
        start = end + 1;
    }
    return numbers;
}

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
    std::vector<std::pair<std::string, std::string>> keys;
    for (std::size_t i = 0; i < kRecentArchiveCount; ++i)
        keys.emplace_back(recentKey(i), i < paths.size() ? paths[i] : "");
    writableSettings(iniPath).writeStrings(kRecentSection, keys);
    return paths;
}

WindowLayout readWindowLayout(const std::string& iniPath) {
    const IniFile file(iniPath);
    WindowLayout layout;
    if (!file.exists()) return layout;
    layout.geometry = file.readString(kWindowSection, "geometrie", "");
    layout.panes = numbersIn(file.readString(kWindowSection, "panneaux", ""));
    layout.columns = numbersIn(file.readString(kWindowSection, "colonnes", ""));
    layout.preview = file.readString(kWindowSection, "apercu", "1") != "0";
    return layout;
}

void saveWindowLayout(const std::string& iniPath, const WindowLayout& layout) {
    writableSettings(iniPath).writeStrings(kWindowSection,
                                           {{"geometrie", layout.geometry},
                                            {"panneaux", joined(layout.panes)},
                                            {"colonnes", joined(layout.columns)},
                                            {"apercu", layout.preview ? "1" : "0"}});
}

}  // namespace kelvane
