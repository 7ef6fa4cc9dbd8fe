#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane::test {

// A fresh directory under the system temporary folder, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The directory as the settings keep it: with a trailing separator.
    std::string withSeparator() const { return path_.string() + "/"; }

  private:
    std::filesystem::path path_;
};

// Whole-file helpers for tests.
std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, std::string_view bytes);

// The names in `folder`, sorted.
std::vector<std::string> namesIn(const std::filesystem::path& folder);
// How many file descriptors the process holds open.
std::size_t openDescriptorCount();
// The bytes the process has read so far through read system calls (rchar in /proc/self/io).
std::uint64_t bytesReadSoFar();

}  // namespace kelvane::test
