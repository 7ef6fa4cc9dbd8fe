#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "archive/catalogue_entry.h"

namespace kelvane {

class ReadOnlyFile;

using EntrySink = std::function<void(const char* data, std::size_t size)>;

// Streams the entry's bytes to `sink` through fixed buffers: a stored entry is copied, a
// compressed one inflated (as a zlib stream when its first two bytes form a zlib header,
// else as raw deflate), never past its stated size. `storedBytes`, when given, sees every
// stored byte of the entry as it is read.
// Returns the count handed to `sink`: for a stored entry, less than its size when the
// archive ends inside it. Throws DamagedEntry when a compressed entry's stream is corrupt,
// ends early or yields another size than stated.
std::int64_t readEntry(const ReadOnlyFile& file, const CatalogueEntry& entry, const EntrySink& sink,
                       const EntrySink* storedBytes = nullptr);

// The entry's first `limit` bytes, or all of it when it is shorter (fewer still when the
// archive ends inside a stored entry). Nothing past them is read: a stored entry costs one
// read of that many bytes, a compressed one is inflated only until `limit` bytes come out. Throws
// DamagedEntry as readEntry does for the part of the stream it inflates.
std::string readEntryPrefix(const ReadOnlyFile& file, const CatalogueEntry& entry,
                            std::size_t limit);

}  // namespace kelvane
