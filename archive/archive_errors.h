#pragma once

#include <string>

#include "archive/catalogue_entry.h"
#include "platform/bilingual_error.h"

namespace kelvane {

// An entry whose compressed data cannot be inflated as the directory states: the stream is
// corrupt, ends early or yields another size. The other entries are still readable.
class DamagedEntry : public BilingualError {
  public:
    DamagedEntry(const CatalogueEntry& entry, const std::string& frenchReason,
                 const std::string& englishReason);
};

// A header or directory that contradicts itself (a name outside the name table, records past
// the end of the file).
class DamagedArchive : public BilingualError {
  public:
    using BilingualError::BilingualError;
};

}  // namespace kelvane
