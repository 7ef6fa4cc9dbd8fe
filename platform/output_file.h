#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kelvane {

// A file being written inside a chosen directory.
class OutputFile {
  public:
    // Creates, or replaces, targetDirectory + components joined by '/'. Every level is
    // opened relative to the one before without following symbolic links, so the file
    // cannot land outside targetDirectory; a link standing at the file's own name is
    // replaced, not followed. Missing levels are created when `createLevels` is set.
    // Throws std::runtime_error("Cannot create file <path>").
    OutputFile(const std::string& targetDirectory, const std::vector<std::string>& components,
               bool createLevels);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    const std::string& path() const { return path_; }
    // Throws std::runtime_error naming the file when the disk refuses the bytes.
    void write(const char* data, std::size_t size);
    void close();

  private:
    std::string path_;
    int fd_ = -1;
};

}  // namespace kelvane
