#include "archive/cursor_pool.h"

#include <algorithm>

#include "archive/restart_index.h"

namespace kelvane {

CursorPool::CursorPool(std::size_t minimum) : minimum_(std::max<std::size_t>(minimum, 1)) {}

CursorPool::~CursorPool() = default;

std::size_t CursorPool::capacity() const {
    return std::max(minimum_, std::min(opened_, kMaxCursors));
}

void CursorPool::opened(const ReadOnlyFile& file, const CatalogueEntry& entry) {
    ++openings_[{&file, entry.index}];
    ++opened_;
}

void CursorPool::released(const ReadOnlyFile& file, const CatalogueEntry& entry) {
    const auto found = openings_.find({&file, entry.index});
    if (found == openings_.end()) return;
    if (--found->second == 0) openings_.erase(found);
    --opened_;
}

// A new slot while the pool has room, else the least recently used one, those of entries no
// longer open first.
CursorPool::Slot& CursorPool::freeSlot() {
    if (slots_.size() < capacity()) return slots_.emplace_back();
    const auto victim =
        std::min_element(slots_.begin(), slots_.end(), [&](const Slot& a, const Slot& b) {
            const bool aOpen = isOpen(keyOf(*a.cursor));
            const bool bOpen = isOpen(keyOf(*b.cursor));
            return aOpen != bOpen ? bOpen : a.lastUse < b.lastUse;
        });
    const Key entry = keyOf(*victim->cursor);
    victim->cursor.reset();
    // An index without points is not worth keeping once no cursor uses it.
    const auto index = indexes_.find(entry);
    if (index != indexes_.end() && index->second.points->empty() &&
        index->second.points.use_count() == 1) {
        indexes_.erase(index);
    }
    return *victim;
}

EntryCursor& CursorPool::cursorFor(const ReadOnlyFile& file, const CatalogueEntry& entry,
                                   std::int64_t offset) {
    const Key key{&file, entry.index};
    Slot* best = nullptr;
    for (Slot& slot : slots_) {
        const EntryCursor& cursor = *slot.cursor;
        if (keyOf(cursor) == key && cursor.readsOnFrom(offset) &&
            (best == nullptr || cursor.windowStart() > best->cursor->windowStart())) {
            best = &slot;
        }
    }
    if (best == nullptr) {
        best = &freeSlot();
        best->cursor = std::make_unique<EntryCursor>(file, entry, indexFor(key));
    }
    best->lastUse = ++clock_;
    return *best->cursor;
}

std::shared_ptr<RestartIndex> CursorPool::indexFor(Key key) {
    Index& index = indexes_[key];
    if (!index.points) index.points = std::make_shared<RestartIndex>();
    index.lastUse = ++clock_;
    return index.points;
}

// Drops the indexes read least recently, of entries without a cursor, while over the budget.
void CursorPool::keepIndexesInBudget() {
    while (indexBytes_ > kRestartIndexBudget) {
        auto victim = indexes_.end();
        for (auto at = indexes_.begin(); at != indexes_.end(); ++at) {
            if (at->second.points.use_count() == 1 && !at->second.points->empty() &&
                (victim == indexes_.end() || at->second.lastUse < victim->second.lastUse)) {
                victim = at;
            }
        }
        if (victim == indexes_.end()) return;  // all in use: their cursors bound them
        indexBytes_ -= victim->second.points->bytes();
        indexes_.erase(victim);
    }
}

std::size_t CursorPool::read(const ReadOnlyFile& file, const CatalogueEntry& entry,
                             std::int64_t offset, char* buffer, std::size_t count) {
    if (!entry.compressed) return EntryCursor(file, entry).read(offset, buffer, count);
    const std::shared_ptr<RestartIndex> index = indexFor({&file, entry.index});
    const std::size_t before = index->bytes();
    struct Account {  // the points a read adds count even when it throws
        CursorPool& pool;
        const RestartIndex& index;
        std::size_t before;
        ~Account() {
            pool.indexBytes_ += index.bytes() - before;
            pool.keepIndexesInBudget();
        }
    } account{*this, *index, before};
    return cursorFor(file, entry, offset).read(offset, buffer, count);
}

}  // namespace kelvane
