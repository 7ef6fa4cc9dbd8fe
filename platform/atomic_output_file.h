#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
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
    // Why the folder could not be opened (an errno), or 0.
    int error() const { return error_; }

  private:
    std::string path_;
    int fd_ = -1;
    int error_ = 0;
};

// A file that could not be made or put in place: "Cannot create file <path>: <reason>",
// the reason in the system's words.
class CannotCreateFile : public std::runtime_error {
  public:
    // `error` is the errno that refused the file.
    CannotCreateFile(const std::string& path, int error, bool everyFile);

    // True when the target folder itself refused it (no right to write there, a read-only
    // or failing disk, a folder that is gone or could not be opened), so every other file
    // made in that folder fails the same way. A refusal that concerns this file's name or a
    // level below the folder is false.
    bool refusesEveryFile() const { return everyFile_; }

  private:
    bool everyFile_;
};

// True when `failure`, met making one file in an output folder, will be met again by every
// other file made there: a full disk, or a folder that refuses new files. A run writing
// many files stops at such a failure instead of repeating it for each.
bool failsEveryFile(const std::exception& failure);

// How sure a commit is that the new file survives a power cut.
enum class Durability {
    // The system writes the bytes back when it likes, as for any ordinary copy: a power cut
    // soon after the commit may leave a damaged file. For extracted and viewed files.
    Cached,
    // The file, then the folder that names it, is flushed to the disk before the commit
    // returns: a power cut leaves the old file or the new one. For archives and settings.
    Flushed,
};

// A file written whole or not at all. The bytes go to a temporary file beside the target,
// which is put in place of the target by `commit()` once complete. In an output folder the
// temporary file has no name (O_TMPFILE) and is linked in at the target's name when none
// stands there; otherwise, or where the file system makes no unnamed files, it is a named
// file renamed over the target. Until then the
// target keeps its old bytes; a file that is never committed (a failure, an exception) is
// removed, so nothing partial, empty or temporary is left behind. A file that replaces
// another keeps its permissions, and its group where the system allows; a new file gets
// the default mode.
//
// Failures throw: DiskFull when the disk refuses bytes or a new file, CannotCreateFile
// when the file cannot be made or put in place, and std::runtime_error
// "Cannot write file <path>: <reason>" for any other refused write or flush.
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
    // Appends up to `count` bytes of the open file `source` from `offset` on, copied by the
    // system without passing through the program; returns the count appended, fewer when
    // `source` ends first. None, and nothing appended, when the system cannot copy between
    // these two files: the caller copies through its own buffers then.
    std::optional<std::int64_t> copyFrom(int source, std::int64_t offset, std::int64_t count);
    // Writes over bytes already written from `offset` on (a header filled in last).
    void writeAt(std::int64_t offset, const char* data, std::size_t size);
    // Closes the file and puts it in place of the target, flushed to the disk first when
    // `durability` asks. A failure before the rename keeps the target as it was; a failed
    // flush of the folder after it is reported with the new file already in place.
    void commit(Durability durability = Durability::Cached);

    // Leaves nothing of the file, not even the levels made for it (those other files were
    // put in since stay). A file that fails is discarded but keeps them.
    void abandon();

  private:
    // `inTarget`: the file's folder is the target folder itself, not a level below it;
    // `unnamed`: an unnamed file is tried first.
    void createTemporary(bool inTarget, bool unnamed);
    // Links the unnamed file in at the target's name when none stands there, and closes it;
    // otherwise links it in under a temporary name and returns false, the file still open.
    bool linkIfNew();
    // Closes the file just put in place under its own name; a failed close takes it away.
    void closeNewFile();
    // Gives the written `file` the permissions and group of the one it is about to replace.
    void takeReplacedMode(int file);
    // Puts the written file in place and closes it when nothing stands at its name: most files
    // are new, and then need no look at the name first. Otherwise gives it the replaced file's
    // mode and returns false, the file still open.
    bool renameIfNew();
    void discard();
    [[noreturn]] void fail(int error, const char* action);

    std::string path_;
    int directory_ = -1;  // the folder that holds the target
    bool ownsDirectory_ = true;
    std::string name_;  // the target's name in that folder
    std::string temporaryName_;
    bool unnamed_ = false;                 // the file is unnamed yet
    int target_ = -1;                      // the target folder, when levels were made below it
    std::vector<std::string> levelsMade_;  // their paths in it, outermost first
    int fd_ = -1;
};

}  // namespace kelvane
