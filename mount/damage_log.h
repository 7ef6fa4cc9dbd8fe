#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "archive/catalogue_entry.h"

namespace kelvane::mount {

// Says why an entry cannot be read through the mount, once per entry however often it is read:
// whoever reads it only gets an I/O error. Each line goes to the system log, and to `err` as
// well when one is given (a mount served in the foreground).
class DamageLog {
  public:
    DamageLog(const std::string& archivePath, std::size_t entries, std::ostream* err);
    ~DamageLog();
    DamageLog(const DamageLog&) = delete;
    DamageLog& operator=(const DamageLog&) = delete;

    // `problem`: a sentence that names the entry by number and name, as DamagedEntry and
    // entryCutShort word it.
    void report(const CatalogueEntry& entry, const std::string& problem);

  private:
    std::string archive_;  // absolute: a background mount serves from "/"
    std::vector<bool> reported_;
    std::ostream* err_;
};

// Says why the archive at `archivePath` cannot be read, in the same places as DamageLog.
void reportUnreadableArchive(const std::string& archivePath, const std::string& problem,
                             std::ostream* err);

}  // namespace kelvane::mount
