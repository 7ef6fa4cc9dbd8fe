#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "archive/pod_reader.h"
#include "cli/cli.h"

namespace kelvane::cli {

// Opens and reads an archive; null after reporting why it cannot be read.
std::unique_ptr<TPOD> openArchive(const std::string& path, std::ostream& err);

// Every entry the arguments [first, last) name (UTF-8; see selectEntries), in the order named,
// or each once in directory order when `once`; nothing after saying on `err` which argument
// names no entry of `archive`.
std::optional<std::vector<int>> selectAll(const TPOD& pod, const std::string& archive,
                                          Arguments::const_iterator first,
                                          Arguments::const_iterator last, bool once,
                                          std::ostream& err);

}  // namespace kelvane::cli
