#pragma once

#include <string>

namespace kelvane {

// The process-wide settings strings, read from Kelvane.ini at start-up (UTF-8 here; the
// file is Windows-1252, or UTF-8 once a value needs it). Directories end with '/' when
// chosen through a picker and are joined to file names by plain concatenation.
struct Settings {
    std::string language;  // "english" switches the interface to English; anything else: French
    std::string flyDirectory;
    std::string workDirectory;
    std::string pspDirectory;
    std::string pshopDirectory;
    std::string rawDirectory;
    std::string ecwDirectory;
    std::string paintDirectory;

    bool isEnglish() const { return language == "english"; }
};

Settings& settings();

}  // namespace kelvane
