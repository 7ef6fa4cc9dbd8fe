#pragma once

#include <cstdint>
#include <string>
#include <string_view>

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

// The ways an inflater finds a compressed entry damaged, worded alike by every inflater.
DamagedEntry streamEndsEarly(const CatalogueEntry& entry);
DamagedEntry streamCorrupt(const CatalogueEntry& entry);
DamagedEntry yieldsMoreThanStated(const CatalogueEntry& entry);
DamagedEntry yieldsOtherThanStated(const CatalogueEntry& entry, std::int64_t produced);

// The entry ends past the end of the archive, which holds `held` of its bytes.
BilingualError entryCutShort(const CatalogueEntry& entry, std::int64_t held);

// A header or directory that contradicts itself (a name outside the name table, records past
// the end of the file).
class DamagedArchive : public BilingualError {
  public:
    using BilingualError::BilingualError;
};

// A request the layout or the archive cannot carry out: a name it cannot hold, two files under
// one name, a layout that is only read, an archive not read whole. Nothing is written.
class WriteRefused : public BilingualError {
  public:
    using BilingualError::BilingualError;
};

// The parts of an archive's header and directory, in file order.
enum class ArchivePart { Header, Directory, NameTable };

// The `part` of a `layout` archive ends at byte `end`, past the end of a file of `fileSize`
// bytes. The English text starts as every read past the end of a file does.
DamagedArchive partPastTheEnd(std::string_view layout, ArchivePart part, std::int64_t end,
                              std::int64_t fileSize);

// The NUL-ended name of entry `index` (0-based), from `start`, finds no NUL before the end of
// a file of `fileSize` bytes.
DamagedArchive namePastTheEnd(int index, std::int64_t start, std::int64_t fileSize);

}  // namespace kelvane
