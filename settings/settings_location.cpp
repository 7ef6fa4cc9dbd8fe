#include "settings/settings_location.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace kelvane {

namespace {

constexpr const char* kSettingsName = "Kelvane.ini";

// Whether a file can really be created in `directory`: permission bits say nothing for the
// administrator, and nothing of read-only file systems.
bool canCreateFilesIn(const std::filesystem::path& directory) {
    const std::filesystem::path probe =
        directory / (".kelvane-probe-" + std::to_string(::getpid()));
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

}  // namespace

std::string settingsFilePath(const std::string& programDirectory, const std::string& configHome) {
    const std::filesystem::path program = std::filesystem::u8path(programDirectory);
    const std::filesystem::path beside = program / kSettingsName;
    std::error_code ignored;
    if (std::filesystem::exists(beside, ignored) || canCreateFilesIn(program)) {
        return beside.string();
    }
    const std::filesystem::path folder = std::filesystem::u8path(configHome) / "Kelvane";
    std::filesystem::create_directories(folder, ignored);
    return (folder / kSettingsName).string();
}

std::string userConfigHome() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config";
}

}  // namespace kelvane
