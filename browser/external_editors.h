#pragma once

#include <string>

#include "settings/settings.h"

namespace kelvane {

// The outside image programs an entry of the listing can be handed to.
enum class ExternalEditor { Paint, PaintShopPro, Photoshop, ERViewer };

// The program started for `editor`: the user's default image program for Paint (on Windows,
// the system's Paint), otherwise the configured directory followed by the program's file name.
// A directory not yet loaded leaves the bare file name, found through the program search.
std::string editorProgram(ExternalEditor editor, const Settings& values);

}  // namespace kelvane
