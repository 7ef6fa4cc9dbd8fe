#include "archive/archive_diff.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>
#include <string_view>

#include "archive/archive_errors.h"
#include "archive/entry_cursor.h"
#include "archive/pod_reader.h"
#include "platform/cp1252.h"
#include "platform/read_only_file.h"

namespace kelvane {
namespace {

constexpr std::size_t kChunk = 256 * 1024;

// An archive's entries in directory order with their upper-cased names. The keys lie in one
// buffer, so that a hundred thousand names cost no allocation each.
struct NamedEntry {
    std::string_view key;
    const CatalogueEntry* entry;
};

struct Names {
    std::string keys;
    std::vector<NamedEntry> entries;
};

void upperCasedNames(const TPOD& archive, Names& names) {
    std::size_t total = 0;
    for (const CatalogueEntry& entry : archive.catalogue()) total += entry.name.size();
    names.keys.reserve(total);
    for (const CatalogueEntry& entry : archive.catalogue()) {
        for (const char c : entry.name) names.keys += char(cp1252Upper((unsigned char)c));
    }
    names.entries.reserve(archive.catalogue().size());
    std::size_t at = 0;
    for (const CatalogueEntry& entry : archive.catalogue()) {
        names.entries.push_back(
            {std::string_view(names.keys).substr(at, entry.name.size()), &entry});
        at += entry.name.size();
    }
}

bool byKey(const NamedEntry& a, const NamedEntry& b) {
    return a.key < b.key;
}

bool storedAsIs(const CatalogueEntry& entry) {
    return !entry.compressed && entry.storedSize == entry.size;
}

// Every layout's entry checksum is CRC-32/MPEG-2 over the entry's data. For a compressed entry
// it may cover the stored or the inflated bytes, so only an entry stored as is can be compared
// by it.
bool checksumCoversData(const TPOD& archive, const CatalogueEntry& entry) {
    return archive.layout().record.checksum.present() && storedAsIs(entry);
}

// The entries matched by name; null on the side that lacks one.
struct Match {
    std::string_view key;
    const CatalogueEntry* oldEntry;
    const CatalogueEntry* newEntry;
    bool same = false;
};

// Both entries stored as is, each right after the entry before it in its file.
bool followsOn(const Match& before, const Match& match) {
    const auto after = [](const CatalogueEntry& entry, const CatalogueEntry& next) {
        return std::int64_t(entry.offset) + entry.size == next.offset;
    };
    return storedAsIs(*match.oldEntry) && storedAsIs(*match.newEntry) &&
           after(*before.oldEntry, *match.oldEntry) && after(*before.newEntry, *match.newEntry);
}

// Reads the entries of equal size side by side, a chunk at a time, and settles whether each
// pair is the same. Entries stored as is that lie end to end in both files are read as one
// span, in chunks large enough to go straight from the file.
class ContentComparer {
  public:
    ContentComparer(const TPOD& older, const TPOD& newer)
        : older_(older),
          newer_(newer),
          oldBuffer_(std::make_unique_for_overwrite<char[]>(kChunk)),
          newBuffer_(std::make_unique_for_overwrite<char[]>(kChunk)) {}

    // `run`: pairs each following on from the one before it (followsOn), or one pair.
    void settle(std::span<Match* const> run) {
        if (run.size() == 1 && !(storedAsIs(*run[0]->oldEntry) && storedAsIs(*run[0]->newEntry))) {
            run[0]->same = sameInflated(*run[0]->oldEntry, *run[0]->newEntry);
        } else {
            settleStored(run);
        }
    }

  private:
    bool sameInflated(const CatalogueEntry& oldEntry, const CatalogueEntry& newEntry) {
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

    void settleStored(std::span<Match* const> run) {
        std::vector<std::int64_t> ends;  // where each pair's bytes end within the span
        std::int64_t total = 0;
        for (Match* match : run) {
            match->same = true;
            ends.push_back(total += match->oldEntry->size);
        }
        std::size_t current = 0;  // the pair the bytes at `at` belong to
        const auto pairAt = [&](std::int64_t at) {
            while (ends[current] <= at) ++current;
            return current;
        };
        for (std::int64_t at = 0; at < total;) {
            const std::size_t wanted = std::size_t(std::min<std::int64_t>(kChunk, total - at));
            readSpan(run, ends, at, pairAt(at), oldBuffer_.get(), wanted, false);
            readSpan(run, ends, at, pairAt(at), newBuffer_.get(), wanted, true);
            if (std::memcmp(oldBuffer_.get(), newBuffer_.get(), wanted) == 0) {
                at += std::int64_t(wanted);
                continue;
            }
            const char* differs =
                std::mismatch(oldBuffer_.get(), oldBuffer_.get() + wanted, newBuffer_.get()).first;
            const std::size_t pair = pairAt(at + (differs - oldBuffer_.get()));
            run[pair]->same = false;
            at = ends[pair];  // on with the next pair
        }
    }

    // `count` bytes of the span from `at`, which lies in pair `pair` of `run`.
    void readSpan(std::span<Match* const> run, const std::vector<std::int64_t>& ends,
                  std::int64_t at, std::size_t pair, char* buffer, std::size_t count,
                  bool inNewArchive) const {
        const CatalogueEntry& first = inNewArchive ? *run[0]->newEntry : *run[0]->oldEntry;
        const ReadOnlyFile& file = (inNewArchive ? newer_ : older_).file();
        const std::size_t got = file.readAt(std::int64_t(first.offset) + at, buffer, count);
        if (got == count) return;
        const std::int64_t end = at + std::int64_t(got);
        while (ends[pair] <= end) ++pair;
        const CatalogueEntry& cut = inNewArchive ? *run[pair]->newEntry : *run[pair]->oldEntry;
        const std::int64_t start = pair == 0 ? 0 : ends[pair - 1];
        throw UnreadableEntry(entryCutShort(cut, end - start), inNewArchive);
    }

    const TPOD& older_;
    const TPOD& newer_;
    std::unique_ptr<char[]> oldBuffer_;
    std::unique_ptr<char[]> newBuffer_;
};

}  // namespace

ArchiveDiff diffArchives(const TPOD& older, const TPOD& newer) {
    Names oldNames, newNames;
    upperCasedNames(older, oldNames);
    upperCasedNames(newer, newNames);
    std::vector<NamedEntry>& oldEntries = oldNames.entries;
    std::vector<NamedEntry>& newEntries = newNames.entries;
    std::vector<Match> matches;
    matches.reserve(oldEntries.size() + newEntries.size());  // kept in place: pointed to
    std::vector<Match*> unsettled;  // the pairs only their bytes can tell apart
    const auto pair = [&](const NamedEntry& oldEntry, const NamedEntry& newEntry) {
        Match& match = matches.emplace_back(Match{newEntry.key, oldEntry.entry, newEntry.entry});
        if (oldEntry.entry->size != newEntry.entry->size) return;
        if (checksumCoversData(older, *oldEntry.entry) &&
            checksumCoversData(newer, *newEntry.entry)) {
            match.same = oldEntry.entry->checksum == newEntry.entry->checksum;
        } else {
            unsettled.push_back(&match);
        }
    };
    // Archives that list the same names in the same order, as a rebuild or a patch mostly
    // does, pair off without sorting; only the names after the first that differs are sorted.
    const std::size_t shorter = std::min(oldEntries.size(), newEntries.size());
    std::size_t common = 0;
    for (; common < shorter && oldEntries[common].key == newEntries[common].key; ++common) {
        pair(oldEntries[common], newEntries[common]);
    }
    std::stable_sort(oldEntries.begin() + common, oldEntries.end(), byKey);
    std::stable_sort(newEntries.begin() + common, newEntries.end(), byKey);
    auto oldAt = oldEntries.begin() + common;
    auto newAt = newEntries.begin() + common;
    while (oldAt != oldEntries.end() || newAt != newEntries.end()) {
        if (newAt == newEntries.end() || (oldAt != oldEntries.end() && oldAt->key < newAt->key)) {
            matches.push_back({oldAt->key, (oldAt++)->entry, nullptr});
        } else if (oldAt == oldEntries.end() || newAt->key < oldAt->key) {
            matches.push_back({newAt->key, nullptr, (newAt++)->entry});
        } else {
            pair(*oldAt++, *newAt++);
        }
    }
    const auto byOldOffset = [](const Match* a, const Match* b) {
        return a->oldEntry->offset < b->oldEntry->offset;
    };
    // Read in the old archive's file order, so that reading goes forward through both files
    // when they hold their entries in the same order.
    if (!std::is_sorted(unsettled.begin(), unsettled.end(), byOldOffset)) {
        std::sort(unsettled.begin(), unsettled.end(), byOldOffset);
    }
    ContentComparer contents(older, newer);
    for (std::size_t first = 0; first < unsettled.size();) {
        std::size_t last = first + 1;
        while (last < unsettled.size() && followsOn(*unsettled[last - 1], *unsettled[last])) {
            ++last;
        }
        contents.settle(std::span(unsettled).subspan(first, last - first));
        first = last;
    }

    // Sorted by name; the pairs of one name stay in directory order, those of the common run
    // first.
    std::vector<const Match*> differing;
    for (const Match& match : matches) {
        if (!match.same) differing.push_back(&match);
    }
    std::stable_sort(differing.begin(), differing.end(),
                     [](const Match* a, const Match* b) { return a->key < b->key; });
    ArchiveDiff diff;
    diff.same = int(matches.size() - differing.size());
    for (const Match* found : differing) {
        const Match& match = *found;
        if (!match.newEntry) {
            diff.differences.push_back(
                {EntryDifference::Kind::Removed, match.oldEntry->name, match.oldEntry->size, 0});
            ++diff.removed;
        } else if (!match.oldEntry) {
            diff.differences.push_back(
                {EntryDifference::Kind::Added, match.newEntry->name, 0, match.newEntry->size});
            ++diff.added;
        } else {
            diff.differences.push_back({EntryDifference::Kind::Changed, match.newEntry->name,
                                        match.oldEntry->size, match.newEntry->size});
            ++diff.changed;
        }
    }
    return diff;
}

}  // namespace kelvane
