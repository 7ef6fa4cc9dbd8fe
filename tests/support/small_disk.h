#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace kelvane::test {

// A tiny tmpfs mounted on a fresh directory for the life of the object, so that a test can
// run out of space or inodes, or lose the right to write, on purpose. Mounting needs
// privileges: where the system refuses, `mounted()` is false and `refusal()` says why.
class SmallDisk {
  public:
    // `inodes` 0 leaves the file count unlimited.
    explicit SmallDisk(std::size_t bytes, std::size_t inodes = 0);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }
    const std::string& refusal() const { return refusal_; }
    const std::filesystem::path& path() const { return dir_.path(); }
    std::string withSeparator() const { return dir_.withSeparator(); }

    // Takes the space left with one filler file, so the next byte written fails.
    void fillSpace();
    // Takes the inodes left with empty files, so the next file created fails.
    void fillInodes();
    // Remounts the disk read-only.
    void makeReadOnly();
    // The names in the disk's top folder, sorted; the fillers are left out.
    std::vector<std::string> names() const;

  private:
    TempDir dir_;
    bool mounted_ = false;
    std::string refusal_;
};

}  // namespace kelvane::test
