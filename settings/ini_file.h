#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// One INI file read and written key by key, as the Windows profile functions do: section
// and key names compare case-insensitively, values are trimmed, text is Windows-1252 bytes.
// Every call goes to the file itself; nothing is cached.
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
    // missing; creates the file when missing. Throws std::runtime_error when the file
    // cannot be written.
    void writeString(std::string_view section, std::string_view key, std::string_view value);

  private:
    std::string path_;
};

}  // namespace kelvane
