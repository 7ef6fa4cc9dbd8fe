#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kelvane {

// The INI text itself is bytes: these two work on it whatever its encoding.

// The value of `key` in `section` of the INI text `content`; nothing when the section or
// key is missing.
std::optional<std::string> iniValue(std::string_view content, std::string_view section,
                                    std::string_view key);

// `content` with `key` in `section` set to `value`: that key's line rewritten and every other
// line kept byte for byte; the key added at the end of its section, or the section at the end
// of the text, when missing.
std::string iniWithValue(std::string_view content, std::string_view section, std::string_view key,
                         std::string_view value);

// One INI file read and written key by key, as the Windows profile functions do: section
// and key names compare case-insensitively, values are trimmed. Values are UTF-8 here; the
// file is Windows-1252 while every value fits that code page and turns UTF-8 as a whole
// once one does not. A file that is valid UTF-8 is read as UTF-8, any other as
// Windows-1252. Every call goes to the file itself; nothing is cached.
class IniFile {
  public:
    explicit IniFile(std::string path);

    const std::string& path() const { return path_; }
    bool exists() const;

    // The value of `key` in `section`, or `defaultValue` when the file, section or key is
    // missing.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;

    // Sets `key` in `section`: rewrites that key's line only and keeps every other line
    // byte for byte; adds the key to its section, or the section to the file, when
    // missing; creates the file when missing. The file is replaced whole and flushed to the
    // disk: when it cannot be written (DiskFull, CannotCreateFile) it keeps its old bytes.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    // Sets several keys of `section` as writeString does, the file replaced once.
    void writeStrings(std::string_view section,
                      const std::vector<std::pair<std::string, std::string>>& values);

  private:
    std::string path_;
};

}  // namespace kelvane
