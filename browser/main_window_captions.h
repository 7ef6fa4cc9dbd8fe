#pragma once

#include <array>

namespace kelvane {

// What a caption of the main window is written on.
enum class CaptionTarget { Window, Menu, Action, Button, Tab, CheckBox, Placeholder, Header };

// One text of the main window in both languages (equal where English keeps the French).
struct Caption {
    CaptionTarget target;
    const char* name;  // object name; for Header, unused
    int column;        // for Header: the grid column
    const char* french;
    const char* english;
};

extern const std::array<Caption, 30> kMainWindowCaptions;

// The hints, which keep their French text in both languages.
inline constexpr const char* kOpenPodHint = "Ouvre un fichier POD/EPD";
inline constexpr const char* kGridHint =
    "Double cliquez sur la ligne contenant le fichier que vous voulez voir";

}  // namespace kelvane
