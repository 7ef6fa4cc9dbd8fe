#pragma once

#include <ostream>
#include <vector>

#include "archive/catalogue_entry.h"

namespace kelvane::cli {

// `list -l`: one line per entry, size (right-aligned), date and time in the user's locale
// (strftime "%x %X", the archive's timestamps in local standard time as the window shows
// them; "-" where the layout records none) and the stored name in UTF-8.
void printLongListing(const std::vector<CatalogueEntry>& entries, int standardBiasMinutes,
                      std::ostream& out);

}  // namespace kelvane::cli
