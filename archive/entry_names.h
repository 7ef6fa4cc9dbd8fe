#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/bilingual_error.h"

namespace kelvane {

// Stored names split at their last backslash or colon; a forward slash is an ordinary
// character.

// Everything up to and including the last backslash or colon; empty when there is none.
std::string_view directoryPart(std::string_view storedName);
// The rest: the final name component.
std::string_view filePart(std::string_view storedName);

// An entry whose stored name would place a file outside the target directory.
class UnsafeEntryName : public BilingualError {
  public:
    explicit UnsafeEntryName(const std::string& storedName);
};

// The stored name as native path components (UTF-8), each checked: no "..", no empty
// leading component (absolute path), no drive ("C:"), no '/' or NUL inside a component.
// Throws UnsafeEntryName.
std::vector<std::string> safeComponents(std::string_view storedName);

// The components a file made from the entry `storedName` gets: all of them, or only the file
// part when `keepFolders` is false. A refusal names the whole stored name.
std::vector<std::string> entryComponents(std::string_view storedName, bool keepFolders);

// The file names on which entries extracted without their folders land on top of one
// another: each name (UTF-8, as written) two or more of `storedNames` share once their folders
// are dropped, in the order first met, and how many entries share them. Names compare byte for
// byte, as a Linux file system compares them: X.TXT and x.txt are two files there, though the
// simulators would take them for one. Entries that share their whole path too are not counted
// (keeping the folders would not keep them apart), nor names refused without their folders.
struct SharedFlatNames {
    std::vector<std::string> names;
    int entries = 0;
};
SharedFlatNames sharedFlatNames(const std::vector<std::string_view>& storedNames);

}  // namespace kelvane
