#pragma once

#include <array>
#include <string>

#include "settings/settings.h"

namespace kelvane {

// One directory kept in the settings file: its section, its key and its in-memory string.
struct DirectoryKey {
    const char* section;
    const char* key;
    std::string Settings::*value;
};

// The seven directory keys in the order they are read and written.
extern const std::array<DirectoryKey, 7> kDirectoryKeys;

// Start-up load from the settings file at `iniPath`: when the file exists, the language
// (default "english") then the directories read at start, each defaulting to its current
// value. A missing file changes nothing.
void loadStartupSettings(const std::string& iniPath, Settings& target);

// Reads all seven directories, each defaulting to its current value.
void loadDirectorySettings(const std::string& iniPath, Settings& target);

// Writes the seven directories of `values` in key order; `target` is not changed.
void saveDirectorySettings(const std::string& iniPath, const Settings& values);

// Writes the interface language value.
void saveLanguage(const std::string& iniPath, const std::string& language);

}  // namespace kelvane
