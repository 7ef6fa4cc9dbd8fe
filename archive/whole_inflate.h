#pragma once

#include <cstdint>

#include "archive/catalogue_entry.h"
#include "archive/entry_reader.h"

namespace kelvane {

class ReadOnlyFile;

// Entries stating at most this many inflated bytes (and storing at most as many) are read and
// inflated whole: twice this bounds the memory one such read takes.
inline constexpr std::int64_t kWholeInflateBound = 32 << 20;

// Inflates a compressed entry in one call with libdeflate when it is small enough, handing the
// stored bytes to `storedBytes` and the inflated ones to `sink` only once the stream has proved
// sound: it yields exactly the stated size and ends. Returns false, having handed out nothing,
// when it does not apply or the stream is not sound; the caller then streams the entry, whose
// refusal says what is wrong.
bool inflateWhole(const ReadOnlyFile& file, const CatalogueEntry& entry, const EntrySink& sink,
                  const EntrySink* storedBytes);

}  // namespace kelvane
