#include "settings/settings_file.h"

#include "settings/ini_file.h"

namespace kelvane {
namespace {

// ecwdir and paintdir are not read at start: they reach memory when the directories
// dialog is opened.
constexpr std::size_t kDirectoriesReadAtStart = 5;

void readDirectory(const IniFile& file, const DirectoryKey& key, Settings& target) {
    std::string& value = target.*key.value;
    value = file.readString(key.section, key.key, value);
}

}  // namespace

const std::array<DirectoryKey, 7> kDirectoryKeys = {{
    {"fly", "flydir", &Settings::flyDirectory},
    {"work", "workdir", &Settings::workDirectory},
    {"psp", "pspdir", &Settings::pspDirectory},
    {"pshop", "pshopdir", &Settings::pshopDirectory},
    {"raw", "rawdir", &Settings::rawDirectory},
    {"ecw", "ecwdir", &Settings::ecwDirectory},
    {"paint", "paintdir", &Settings::paintDirectory},
}};

void loadStartupSettings(const std::string& iniPath, Settings& target) {
    const IniFile file(iniPath);
    if (!file.exists()) return;
    target.language = file.readString("init", "langage", "english");
    for (std::size_t i = 0; i < kDirectoriesReadAtStart; ++i) {
        readDirectory(file, kDirectoryKeys[i], target);
    }
}

void loadDirectorySettings(const std::string& iniPath, Settings& target) {
    const IniFile file(iniPath);
    for (const DirectoryKey& key : kDirectoryKeys) readDirectory(file, key, target);
}

void saveDirectorySettings(const std::string& iniPath, const Settings& values) {
    IniFile file(iniPath);
    for (const DirectoryKey& key : kDirectoryKeys) {
        file.writeString(key.section, key.key, values.*key.value);
    }
}

void saveLanguage(const std::string& iniPath, const std::string& language) {
    IniFile(iniPath).writeString("init", "langage", language);
}

}  // namespace kelvane
