#pragma once

#include <string>
#include <string_view>

namespace kelvane {

// The lines of a Windows-1252 text file as UTF-8 joined by '\n' (CR LF, LF and a lone CR
// end a line; the last line's break adds no empty line), for a text view. Throws
// std::runtime_error("Cannot open file <path>") when the file cannot be read.
std::string readTextLines(const std::string& path);

// The same for Windows-1252 bytes already read.
std::string textLines(std::string_view bytes);

}  // namespace kelvane
