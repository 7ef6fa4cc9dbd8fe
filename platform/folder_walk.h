#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// A regular file found under a folder: the full path to open it by, whose end from
// `relativeStart` on is its path from that folder (UTF-8 as the file system gives it).
struct FoundFile {
    std::string path;
    std::size_t relativeStart = 0;
    std::string_view relative() const { return std::string_view(path).substr(relativeStart); }
};

// Something under the folder that is not packed, and why.
struct SkippedFile {
    enum class Reason {
        Special,     // a FIFO, device or socket: never opened, so never blocked on
        FolderLink,  // a symbolic link to a folder: not followed
        BrokenLink,  // a symbolic link to nothing
        Excluded     // the file the caller asked to leave out (the archive being written)
    };
    std::string path;
    Reason reason;
};

struct FolderContents {
    std::vector<FoundFile> files;  // in no particular order
    std::vector<SkippedFile> skipped;
};

// The file the walk must leave out, by identity, so that a link to it is left out too. Only
// its own folder is searched for it among plain files, which spares a look-up per file.
struct FileIdentity {
    unsigned long long device = 0, inode = 0;
    unsigned long long folderDevice = 0, folderInode = 0;
    bool present = false;
};

// The identity of the file at `path`, if one is there.
FileIdentity identityOf(const std::string& path);

// Every regular file under `folder` (UTF-8), through every level. Symbolic links to files
// count as files; links to folders are not followed. Throws std::runtime_error
// "Cannot read folder <path>: <reason>" when a folder cannot be listed.
FolderContents walkFolder(const std::string& folder, const FileIdentity& exclude = {});

}  // namespace kelvane
