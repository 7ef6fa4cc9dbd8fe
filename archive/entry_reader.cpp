#include "archive/entry_reader.h"

#include <algorithm>
#include <cstdint>
#include <memory>

#include "archive/entry_cursor.h"
#include "archive/entry_inflater.h"
#include "archive/whole_inflate.h"
#include "platform/read_only_file.h"

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
    if (entry.compressed) {
        if (inflateWhole(file, entry, sink, storedBytes)) return entry.size;
        return inflateEntry(file, entry, sink, storedBytes);
    }
    StoredBytes stored(file, entry, storedBytes);
    return copyStored(stored, sink);
}

std::string readEntryPrefix(const ReadOnlyFile& file, const CatalogueEntry& entry,
                            std::size_t limit) {
    std::string bytes;
    if (!entry.compressed) {
        // One read straight into the result.
        const std::size_t count = std::min<std::size_t>(limit, INT64_MAX);
        const StoredSpan span = storedSpan(entry, file.size(), 0, count);
        if (span.count == 0) return bytes;
        bytes.resize(span.count);
        bytes.resize(file.readAt(span.position, bytes.data(), span.count));
        return bytes;
    }
    if (limit == 0) return bytes;
    const std::uint64_t stated = entry.size;
    EntryInflater inflater(file, entry);
    bytes.resize(std::size_t(std::min<std::uint64_t>(stated, limit)));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t got = inflater.next(bytes.data() + done, bytes.size() - done);
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    // A prefix that takes in the whole entry checks the stream ends where it should.
    if (limit >= stated && done == stated) {
        char extra;
        inflater.next(&extra, 1);
    }
    return bytes;
}

}  // namespace kelvane
