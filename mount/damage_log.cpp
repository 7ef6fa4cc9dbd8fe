#include "mount/damage_log.h"

#include <syslog.h>

#include <filesystem>

namespace kelvane::mount {

DamageLog::DamageLog(const std::string& archivePath, std::size_t entries, std::ostream* err)
    : archive_(std::filesystem::absolute(archivePath).string()),
      reported_(entries, false),
      err_(err) {
    ::openlog("kelvane-cli", LOG_PID, LOG_USER);
}

DamageLog::~DamageLog() {
    ::closelog();
}

void DamageLog::report(const CatalogueEntry& entry, const std::string& problem) {
    const auto index = std::size_t(entry.index);
    if (index >= reported_.size() || reported_[index]) return;
    reported_[index] = true;

    const std::string line = archive_ + ": " + problem;
    ::syslog(LOG_ERR, "%s", line.c_str());
    if (err_ != nullptr) *err_ << "kelvane-cli: " << line << std::endl;
}

}  // namespace kelvane::mount
