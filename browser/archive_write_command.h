#pragma once

#include <string>
#include <vector>

#include "platform/folder_walk.h"

class QWidget;

namespace kelvane {

struct ArchivePlan;

// Writes `plan` to `path` (UTF-8) under a progress box the user can cancel; false when
// cancelled, which leaves nothing behind. A failure is thrown as writeArchive throws it, the
// old file keeping its bytes.
bool writeArchiveCommand(QWidget* parent, const ArchivePlan& plan, const std::string& path);

// Lists the files a write left out, in one box; shows nothing when there are none.
void showSkippedFiles(QWidget* parent, const std::vector<SkippedFile>& skipped);

}  // namespace kelvane
