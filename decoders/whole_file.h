#pragma once

#include <string>

namespace kelvane {

// The whole content of the file at `path` (UTF-8 path). Throws std::runtime_error naming
// the file when it cannot be opened or read.
std::string readWholeFile(const std::string& path);

}  // namespace kelvane
