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
        Excluded,    // the file the caller asked to leave out (the archive being written)
        Unreadable   // a folder that cannot be listed, when the walk goes on past such folders
    };
    std::string path;
    Reason reason;
    int error = 0;  // for Unreadable: the errno that refused it
};

struct FolderContents {
    std::vector<FoundFile> files;  // in no particular order
    std::vector<SkippedFile> skipped;
    std::size_t relativeStart = 0;  // where every path's part relative to the folder starts
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

// What the walk does with a folder under the walked one that cannot be listed: packing must
// not leave files out unsaid, a search can note the folder and go on.
enum class UnreadableFolders { Fail, Skip };

// Every regular file under `folder` (UTF-8), through every level. Symbolic links to files
// count as files; links to folders are not followed. Throws std::runtime_error
// "Cannot read folder <path>: <reason>" when `folder` cannot be listed, and when a folder
// under it cannot be unless `unreadable` is Skip.
FolderContents walkFolder(const std::string& folder, const FileIdentity& exclude = {},
                          UnreadableFolders unreadable = UnreadableFolders::Fail);

}  // namespace kelvane
