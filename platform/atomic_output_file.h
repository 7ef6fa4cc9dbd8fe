#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/bilingual_error.h"

namespace kelvane {

// A file written whole or not at all. The bytes go to a temporary file beside the target,
// which is renamed over the target by `commit()` once complete and closed. Until then the
// target keeps its old bytes; a file that is never committed (a failure, an exception) is
// removed, so nothing partial, empty or temporary is left behind.
//
// Failures throw: DiskFull when the disk refuses bytes or a new file, std::runtime_error
// "Cannot create file <path>" when the file cannot be made or put in place, and
// "Cannot write file <path>: <reason>" for any other refused write.
class AtomicOutputFile {
  public:
    // The file targetDirectory + components joined by '/'. Every level below the target
    // directory is opened relative to the one before without following symbolic links, so
    // the file cannot land outside targetDirectory; a link standing at the file's own name
    // is replaced, never written through. Missing levels are created when `createLevels` is
    // set.
    AtomicOutputFile(const std::string& targetDirectory, const std::vector<std::string>& components,
                     bool createLevels);
    // The file at `path` (UTF-8), in a folder that must exist.
    explicit AtomicOutputFile(const std::string& path);
    ~AtomicOutputFile();
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

    // The target's path, as the messages name it.
    const std::string& path() const { return path_; }
    void write(const char* data, std::size_t size);
    // Closes the file and puts it in place of the target.
    void commit();

  private:
    void createTemporary();
    void discard();
    [[noreturn]] void fail(int error, const char* action);

    std::string path_;
    int directory_ = -1;  // the folder that holds the target
    std::string name_;    // the target's name in that folder
    std::string temporaryName_;
    int fd_ = -1;
};

}  // namespace kelvane
