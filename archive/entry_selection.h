#pragma once

#include <string_view>
#include <vector>

#include "archive/catalogue_entry.h"

namespace kelvane {

// The entries `argument` (Windows-1252) names, in directory order: the entry of that number as
// listings count them (from 1); else every entry of exactly that stored name; else every one
// of that name compared case-blind, as the simulators compare names; else every entry whose
// name the argument matches as a NamePattern. Empty when none.
std::vector<int> selectEntries(const std::vector<CatalogueEntry>& entries,
                               std::string_view argument);

}  // namespace kelvane
