#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "platform/folder_walk.h"

namespace kelvane {

// The texts of the window's commands that write archives, French, a line break, English.
// Names are UTF-8.

// The box after a write that left files out: one paragraph per file (the first ones and a
// count past kListedSkipped).
inline constexpr std::size_t kListedSkipped = 20;
std::string skippedFilesMessage(const std::vector<SkippedFile>& skipped);

// The confirmations before files are added by a drop, and before ticked entries are deleted.
std::string additionQuestion(std::size_t files, std::string_view archiveName);
std::string deletionQuestion(std::size_t entries, std::string_view archiveName);

// A new archive named with neither .POD nor .EPD.
std::string unknownExtensionMessage(std::string_view path);

}  // namespace kelvane
