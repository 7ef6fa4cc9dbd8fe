#include "settings/window_settings.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "platform/bilingual_error.h"
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

// Why the settings file could not be written, in the interface language (the failure names
// the file and gives the system's reason).
std::string settingsWriteRefusal(const std::exception& failure, bool english) {
    const std::string text = failure.what();
    if (dynamic_cast<const BilingualError*>(&failure) == nullptr) return text;
    return english ? englishText(failure) : text.substr(0, text.find("\r\n"));
}

}  // namespace

void WindowSettings::read() {
    recent_.clear();
    layout_ = {};
    const IniFile file(iniPath_);
    if (!file.exists()) return;
    for (std::size_t i = 0; i < kRecentArchiveCount; ++i) {
        std::string path = file.readString(kRecentSection, recentKey(i), "");
        if (!path.empty()) recent_.push_back(std::move(path));
    }
    layout_.geometry = file.readString(kWindowSection, "geometrie", "");
    layout_.panes = numbersIn(file.readString(kWindowSection, "panneaux", ""));
    layout_.columns = numbersIn(file.readString(kWindowSection, "colonnes", ""));
    layout_.preview = file.readString(kWindowSection, "apercu", "1") != "0";
    layout_.picturesAsPng = file.readString(kWindowSection, "png", "0") == "1";
}

std::string WindowSettings::rememberArchive(const std::string& path, bool english) {
    recent_.erase(std::remove(recent_.begin(), recent_.end(), path), recent_.end());
    recent_.insert(recent_.begin(), path);
    if (recent_.size() > kRecentArchiveCount) recent_.resize(kRecentArchiveCount);
    return writeRecentArchives(english);
}

std::string WindowSettings::forgetArchive(const std::string& path, bool english) {
    const auto gone = std::remove(recent_.begin(), recent_.end(), path);
    if (gone == recent_.end()) return {};
    recent_.erase(gone, recent_.end());
    return writeRecentArchives(english);
}

std::string WindowSettings::writeRecentArchives(bool english) {
    std::vector<std::pair<std::string, std::string>> keys;
    for (std::size_t i = 0; i < kRecentArchiveCount; ++i)
        keys.emplace_back(recentKey(i), i < recent_.size() ? recent_[i] : "");
    try {
        writableSettings(iniPath_).writeStrings(kRecentSection, keys);
    } catch (const std::exception& failure) {
        if (std::exchange(refusalTold_, true)) return {};
        const std::string reason = settingsWriteRefusal(failure, english);
        return english ? "Recent archives not saved, kept until Kelvane closes: " + reason
                       : "Liste des archives récentes non enregistrée, gardée jusqu'à la "
                         "fermeture : " +
                             reason;
    }
    return {};
}

void WindowSettings::saveLayout(const WindowLayout& layout) {
    layout_ = layout;
    try {
        writableSettings(iniPath_).writeStrings(kWindowSection,
                                                {{"geometrie", layout.geometry},
                                                 {"panneaux", joined(layout.panes)},
                                                 {"colonnes", joined(layout.columns)},
                                                 {"apercu", layout.preview ? "1" : "0"},
                                                 {"png", layout.picturesAsPng ? "1" : "0"}});
    } catch (const std::exception&) {
    }
}

}  // namespace kelvane
