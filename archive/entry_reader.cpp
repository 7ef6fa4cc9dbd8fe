#include "archive/entry_reader.h"

#include <memory>

#include "archive/entry_inflater.h"

namespace kelvane {
namespace {

std::int64_t copyStored(StoredBytes& stored, const EntrySink& sink) {
    auto buffer = std::make_unique_for_overwrite<char[]>(kEntryChunk);
    std::int64_t done = 0;
    while (const std::size_t got = stored.next(buffer.get())) {
        sink(buffer.get(), got);
        done += std::int64_t(got);
    }
    return done;
}

std::int64_t inflateEntry(const ReadOnlyFile& file, const CatalogueEntry& entry,
                          const EntrySink& sink, const EntrySink* storedBytes) {
    EntryInflater inflater(file, entry, storedBytes);
    auto output = std::make_unique_for_overwrite<char[]>(kEntryChunk);
    while (const std::size_t produced = inflater.next(output.get(), kEntryChunk)) {
        sink(output.get(), produced);
    }
    // The observer sees the stored bytes that follow the end of the stream too.
    if (storedBytes != nullptr) inflater.readRest();
    return inflater.produced();
}

}  // namespace

std::int64_t readEntry(const ReadOnlyFile& file, const CatalogueEntry& entry, const EntrySink& sink,
                       const EntrySink* storedBytes) {
    if (entry.compressed) return inflateEntry(file, entry, sink, storedBytes);
    StoredBytes stored(file, entry, storedBytes);
    return copyStored(stored, sink);
}

}  // namespace kelvane
