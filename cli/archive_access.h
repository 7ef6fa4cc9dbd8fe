#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "archive/pod_reader.h"

namespace kelvane::cli {

// Opens and reads an archive; null after reporting why it cannot be read.
std::unique_ptr<TPOD> openArchive(const std::string& path, std::ostream& err);

// An entry given as its number (as `list` shows it) or as its exact stored name.
std::optional<int> findEntry(const TPOD& pod, const std::string& wanted);

// The entries `wanted` names, in directory order: the one of that number or exact stored name,
// else every entry whose stored name matches it as a NamePattern (case-blind). Empty when none.
std::vector<int> selectEntries(const TPOD& pod, const std::string& wanted);

}  // namespace kelvane::cli
