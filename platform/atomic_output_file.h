#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/bilingual_error.h"

namespace kelvane {

// A folder chosen to receive files, opened once so that a run writing many files into it
// does not look its path up for each. A path converts to one, so a single file may name its
// folder by path. A folder that cannot be opened is reported by every file made in it.
class OutputFolder {
  public:
    OutputFolder(std::string path);  // NOLINT: a path names its folder
    OutputFolder(const char* path) : OutputFolder(std::string(path)) {}
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // As given: the prefix of the paths of the files made in it.
    const std::string& path() const { return path_; }
    // The open folder, or -1.
    int descriptor() const { return fd_; }

  private:
    std::string path_;
    int fd_ = -1;
};

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
    // The file target.path() + components joined by '/'. Every level below the target
    // folder is opened relative to the one before without following symbolic links, so the
    // file cannot land outside it; a link standing at the file's own name is replaced, never
    // written through. Missing levels are created when `createLevels` is set.
    AtomicOutputFile(const OutputFolder& target, const std::vector<std::string>& components,
                     bool createLevels);
    // The folder is borrowed: it must outlive the file, so a temporary one will not do.
    AtomicOutputFile(OutputFolder&& target, const std::vector<std::string>& components,
                     bool createLevels) = delete;
    // The file at `path` (UTF-8), in a folder that must exist.
    explicit AtomicOutputFile(const std::string& path);
    ~AtomicOutputFile();
    AtomicOutputFile(const AtomicOutputFile&) = delete;
    AtomicOutputFile& operator=(const AtomicOutputFile&) = delete;

    // The target's path, as the messages name it.
    const std::string& path() const { return path_; }
    // Appends `size` bytes.
    void write(const char* data, std::size_t size);
    // Writes over bytes already written from `offset` on (a header filled in last).
    void writeAt(std::int64_t offset, const char* data, std::size_t size);
    // Closes the file and puts it in place of the target.
    void commit();

  private:
    void createTemporary();
    void discard();
    [[noreturn]] void fail(int error, const char* action);

    std::string path_;
    int directory_ = -1;  // the folder that holds the target
    bool ownsDirectory_ = true;
    std::string name_;  // the target's name in that folder
    std::string temporaryName_;
    int fd_ = -1;
};

}  // namespace kelvane
