#include "archive/archive_diff.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "archive/archive_errors.h"
#include "archive/entry_cursor.h"
#include "archive/pod_reader.h"
#include "platform/cp1252.h"

namespace kelvane {
namespace {

constexpr std::size_t kChunk = 256 * 1024;

// An archive's entries by upper-cased name, those of one name in directory order.
struct NamedEntry {
    std::string key;
    const CatalogueEntry* entry;
};

std::vector<NamedEntry> byName(const TPOD& archive) {
    std::vector<NamedEntry> named;
    named.reserve(archive.catalogue().size());
    for (const CatalogueEntry& entry : archive.catalogue()) {
        named.push_back({cp1252Upper(entry.name), &entry});
    }
    std::stable_sort(named.begin(), named.end(),
                     [](const NamedEntry& a, const NamedEntry& b) { return a.key < b.key; });
    return named;
}

// Every layout's entry checksum is CRC-32/MPEG-2 over the entry's data. For a compressed entry
// it may cover the stored or the inflated bytes, so only an entry stored as is can be compared
// by it.
bool checksumCoversData(const TPOD& archive, const CatalogueEntry& entry) {
    return archive.layout().record.checksum.present() && !entry.compressed;
}

// Reads the two entries of equal size side by side, a chunk at a time.
class ContentComparer {
  public:
    ContentComparer(const TPOD& older, const TPOD& newer)
        : older_(older),
          newer_(newer),
          oldBuffer_(std::make_unique_for_overwrite<char[]>(kChunk)),
          newBuffer_(std::make_unique_for_overwrite<char[]>(kChunk)) {}

    bool same(const CatalogueEntry& oldEntry, const CatalogueEntry& newEntry) {
        EntryCursor oldCursor(older_.file(), oldEntry);
        EntryCursor newCursor(newer_.file(), newEntry);
        const std::int64_t size = oldEntry.size;
        for (std::int64_t at = 0; at < size;) {
            const std::size_t wanted = std::size_t(std::min<std::int64_t>(kChunk, size - at));
            readWhole(oldCursor, at, oldBuffer_.get(), wanted, false);
            readWhole(newCursor, at, newBuffer_.get(), wanted, true);
            if (std::memcmp(oldBuffer_.get(), newBuffer_.get(), wanted) != 0) return false;
            at += std::int64_t(wanted);
        }
        return true;
    }

  private:
    static void readWhole(EntryCursor& cursor, std::int64_t at, char* buffer, std::size_t count,
                          bool inNewArchive) {
        std::size_t got = 0;
        try {
            got = cursor.read(at, buffer, count);
        } catch (const BilingualError& error) {
            throw UnreadableEntry(error, inNewArchive);
        }
        if (got < count) {
            throw UnreadableEntry(entryCutShort(cursor.entry(), at + std::int64_t(got)),
                                  inNewArchive);
        }
    }

    const TPOD& older_;
    const TPOD& newer_;
    std::unique_ptr<char[]> oldBuffer_;
    std::unique_ptr<char[]> newBuffer_;
};

}  // namespace

ArchiveDiff diffArchives(const TPOD& older, const TPOD& newer) {
    const std::vector<NamedEntry> oldEntries = byName(older);
    const std::vector<NamedEntry> newEntries = byName(newer);
    ContentComparer contents(older, newer);
    ArchiveDiff diff;
    const auto removed = [&](const CatalogueEntry& entry) {
        diff.differences.push_back({EntryDifference::Kind::Removed, entry.name, entry.size, 0});
        ++diff.removed;
    };
    const auto added = [&](const CatalogueEntry& entry) {
        diff.differences.push_back({EntryDifference::Kind::Added, entry.name, 0, entry.size});
        ++diff.added;
    };
    const auto paired = [&](const CatalogueEntry& oldEntry, const CatalogueEntry& newEntry) {
        bool same = oldEntry.size == newEntry.size;
        if (same && checksumCoversData(older, oldEntry) && checksumCoversData(newer, newEntry)) {
            same = oldEntry.checksum == newEntry.checksum;
        } else if (same) {
            same = contents.same(oldEntry, newEntry);
        }
        if (same) {
            ++diff.same;
            return;
        }
        diff.differences.push_back(
            {EntryDifference::Kind::Changed, newEntry.name, oldEntry.size, newEntry.size});
        ++diff.changed;
    };

    auto oldAt = oldEntries.begin();
    auto newAt = newEntries.begin();
    while (oldAt != oldEntries.end() || newAt != newEntries.end()) {
        if (newAt == newEntries.end() || (oldAt != oldEntries.end() && oldAt->key < newAt->key)) {
            removed(*(oldAt++)->entry);
        } else if (oldAt == oldEntries.end() || newAt->key < oldAt->key) {
            added(*(newAt++)->entry);
        } else {
            paired(*(oldAt++)->entry, *(newAt++)->entry);
        }
    }
    return diff;
}

}  // namespace kelvane
