#include "settings/settings_location.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

TEST(SettingsLocation, BesideAWritableProgramElseInTheUserConfiguration) {
    test::TempDir program;
    test::TempDir config;
    EXPECT_EQ(settingsFilePath(program.path().string(), config.path().string()),
              (program.path() / "Kelvane.ini").string());
    EXPECT_TRUE(std::filesystem::is_empty(program.path()));  // the probe leaves nothing

    // /proc takes no new files, not even from the administrator.
    EXPECT_EQ(settingsFilePath("/proc", config.path().string()),
              (config.path() / "Kelvane" / "Kelvane.ini").string());
    EXPECT_TRUE(std::filesystem::is_directory(config.path() / "Kelvane"));
}

TEST(SettingsLocation, ConfigurationHomeFromTheEnvironment) {
    setenv("XDG_CONFIG_HOME", "/xdg/config", 1);
    setenv("HOME", "/home/pilot", 1);
    EXPECT_EQ(userConfigHome(), "/xdg/config");
    setenv("XDG_CONFIG_HOME", "relative/ignored", 1);
    EXPECT_EQ(userConfigHome(), "/home/pilot/.config");
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(userConfigHome(), "/home/pilot/.config");
}

}  // namespace
}  // namespace kelvane
