#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "archive/catalogue_entry.h"
#include "archive/entry_cursor.h"

namespace kelvane {

class ReadOnlyFile;
class RestartIndex;

// The entry cursors of a mount, shared by every reader of the entries of its archives, so that
// one bound holds however many archives are read. A read goes on from
// the cursor of that entry nearest before it; only when there is none does a new cursor start,
// taking the place of the one least recently used once the pool is full (those of entries no
// longer open go first). The pool holds at least `minimum` cursors, and one per opening of a
// compressed entry up to kMaxCursors, so that readers of as many files never take each
// other's cursors. The restart points of an entry outlive its cursors, up to
// kRestartIndexBudget bytes for all entries, those read least recently dropped first.
class CursorPool {
  public:
    static constexpr std::size_t kMaxCursors = 256;
    static constexpr std::size_t kRestartIndexBudget = 64 << 20;

    explicit CursorPool(std::size_t minimum = 16);
    ~CursorPool();

    // As EntryCursor::read, for `entry` of the archive open as `file`.
    std::size_t read(const ReadOnlyFile& file, const CatalogueEntry& entry, std::int64_t offset,
                     char* buffer, std::size_t count);
    // A file of `entry` of the archive open as `file` was opened, or released.
    void opened(const ReadOnlyFile& file, const CatalogueEntry& entry);
    void released(const ReadOnlyFile& file, const CatalogueEntry& entry);

    std::size_t cursorsOpen() const { return slots_.size(); }
    std::size_t capacity() const;
    std::size_t indexBytes() const { return indexBytes_; }

  private:
    // An entry of one of the archives.
    struct Key {
        const ReadOnlyFile* file;
        int entry;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const {
            return std::hash<const void*>()(key.file) ^
                   (std::size_t(key.entry) * 0x9E3779B97F4A7C15u);
        }
    };
    static Key keyOf(const EntryCursor& cursor) { return {&cursor.file(), cursor.entry().index}; }

    struct Slot {
        std::unique_ptr<EntryCursor> cursor;
        std::uint64_t lastUse = 0;
    };
    struct Index {
        std::shared_ptr<RestartIndex> points;
        std::uint64_t lastUse = 0;
    };
    EntryCursor& cursorFor(const ReadOnlyFile& file, const CatalogueEntry& entry,
                           std::int64_t offset);
    Slot& freeSlot();
    std::shared_ptr<RestartIndex> indexFor(Key key);
    void keepIndexesInBudget();
    bool isOpen(Key key) const { return openings_.count(key) != 0; }

    std::size_t minimum_;
    std::vector<Slot> slots_;
    std::unordered_map<Key, Index, KeyHash> indexes_;
    std::unordered_map<Key, int, KeyHash> openings_;  // entry -> files open on it
    std::size_t opened_ = 0;
    std::size_t indexBytes_ = 0;
    std::uint64_t clock_ = 0;
};

}  // namespace kelvane
