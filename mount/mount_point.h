#pragma once

#include <optional>
#include <string>

namespace kelvane::mount {

// Why `folder` cannot take a mount, or nothing. It must be an existing folder, and an empty
// one: a mount would hide the files it holds (a second mount on it would stack on the first).
std::optional<std::string> mountPointProblem(const std::string& folder);

}  // namespace kelvane::mount
