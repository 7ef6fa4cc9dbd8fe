#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// Windows-1252 text from an archive as UTF-8 for a terminal or a line-based script: control
// characters become visible escapes (\n, \r, \t, else \xNN), so that a stored name or field
// can neither break the one-record-per-line output nor send the terminal a sequence.
std::string visibleText(std::string_view cp1252);

}  // namespace kelvane
