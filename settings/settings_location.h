#pragma once

#include <string>

namespace kelvane {

// Where Kelvane.ini lives. Beside the program when a settings file is already there or that
// folder is writable (a portable install: every existing settings file keeps working);
// otherwise, as for a system install, in `configHome`/Kelvane/, which is created.
// `configHome` is $XDG_CONFIG_HOME, or $HOME/.config when that is unset (see
// userConfigHome).
std::string settingsFilePath(const std::string& programDirectory, const std::string& configHome);

// $XDG_CONFIG_HOME when set and absolute, else $HOME/.config.
std::string userConfigHome();

}  // namespace kelvane
