#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

// One line of a key-binding listing, in Windows-1252 bytes.
struct KeyLine {
    enum Style {
        SetHeading,  // the three lines that open a key set: empty, title, rule of dashes
        KeyEntry     // "name.......... MODIFIER key"
    };
    Style style;
    std::string text;

    bool operator==(const KeyLine&) const = default;
};

// The listing of a key file. `error` is empty unless a "code" or "modi" value is not an
// integer; the lines listed before that value stay.
struct KeyListing {
    std::vector<KeyLine> lines;
    std::string error;
};

// Lists every key set of a .KEY file (text with LF, CR LF or CR line ends): its heading, then
// one line per key object. Objects not closed by "endo" end with the data.
KeyListing decodeKeyFile(std::string_view bytes);

// The same for the file at `path`; throws std::runtime_error naming the file when it
// cannot be opened or read.
KeyListing readKeyFile(const std::string& path);

}  // namespace kelvane
