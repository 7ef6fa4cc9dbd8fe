#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "archive/catalogue_entry.h"
#include "archive/entry_cursor.h"

namespace kelvane {

class ReadOnlyFile;

// The entry cursors of one archive, shared by every reader of its entries, for a file system
// that is not told when a file is opened or closed. A read goes on from the cursor of that
// entry nearest before it; only when there is none does a new cursor start, taking the place
// of the one least recently used once `capacity` are open. Two readers of one compressed file
// so keep a cursor each.
class CursorPool {
  public:
    explicit CursorPool(const ReadOnlyFile& file, std::size_t capacity = 16);
    ~CursorPool();

    // As EntryCursor::read, for `entry`.
    std::size_t read(const CatalogueEntry& entry, std::int64_t offset, char* buffer,
                     std::size_t count);
    std::size_t cursorsOpen() const { return slots_.size(); }

  private:
    EntryCursor& cursorFor(const CatalogueEntry& entry, std::int64_t offset);

    struct Slot {
        std::unique_ptr<EntryCursor> cursor;
        std::uint64_t lastUse = 0;
    };
    const ReadOnlyFile& file_;
    std::size_t capacity_;
    std::vector<Slot> slots_;
    std::uint64_t clock_ = 0;
};

}  // namespace kelvane
