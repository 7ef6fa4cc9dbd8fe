#pragma once

#include <string_view>
#include <vector>

#include "archive/catalogue_entry.h"
#include "archive/layouts.h"

namespace kelvane {

class ReadOnlyFile;

// The directory of `file`, whose header `header` the layout `unit` describes. Throws
// DamagedArchive naming what runs past the end of the file (the records, the name table, a
// name) and for a name offset outside the name table.
std::vector<CatalogueEntry> readCatalogue(const LayoutUnit& unit, std::string_view header,
                                          const ReadOnlyFile& file);

}  // namespace kelvane
