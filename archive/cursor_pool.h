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

// The entry cursors of one archive, shared by every reader of its entries. A read goes on from
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

    explicit CursorPool(const ReadOnlyFile& file, std::size_t minimum = 16);
    ~CursorPool();

    // As EntryCursor::read, for `entry`.
    std::size_t read(const CatalogueEntry& entry, std::int64_t offset, char* buffer,
                     std::size_t count);
    // A file of `entry` was opened, or released.
    void opened(const CatalogueEntry& entry);
    void released(const CatalogueEntry& entry);

    std::size_t cursorsOpen() const { return slots_.size(); }
    std::size_t capacity() const;
    std::size_t indexBytes() const { return indexBytes_; }

  private:
    struct Slot {
        std::unique_ptr<EntryCursor> cursor;
        std::uint64_t lastUse = 0;
    };
    struct Index {
        std::shared_ptr<RestartIndex> points;
        std::uint64_t lastUse = 0;
    };
    EntryCursor& cursorFor(const CatalogueEntry& entry, std::int64_t offset);
    Slot& freeSlot();
    std::shared_ptr<RestartIndex> indexFor(const CatalogueEntry& entry);
    void keepIndexesInBudget();
    bool isOpen(int entry) const { return openings_.count(entry) != 0; }

    const ReadOnlyFile& file_;
    std::size_t minimum_;
    std::vector<Slot> slots_;
    std::unordered_map<int, Index> indexes_;
    std::unordered_map<int, int> openings_;  // entry index -> files open on it
    std::size_t opened_ = 0;
    std::size_t indexBytes_ = 0;
    std::uint64_t clock_ = 0;
};

}  // namespace kelvane
