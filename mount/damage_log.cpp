#include "mount/damage_log.h"

#include <syslog.h>

#include <filesystem>

namespace kelvane::mount {
namespace {

void logLine(const std::string& line, std::ostream* err) {
    ::syslog(LOG_ERR, "%s", line.c_str());
    if (err != nullptr) *err << "kelvane-cli: " << line << std::endl;
}

}  // namespace

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

    logLine(archive_ + ": " + problem, err_);
}

void reportUnreadableArchive(const std::string& archivePath, const std::string& problem,
                             std::ostream* err) {
    ::openlog("kelvane-cli", LOG_PID, LOG_USER);
    logLine(std::filesystem::absolute(archivePath).string() + ": " + problem, err);
}

}  // namespace kelvane::mount
