#include "archive/cursor_pool.h"

namespace kelvane {

CursorPool::CursorPool(const ReadOnlyFile& file, std::size_t capacity)
    : file_(file), capacity_(capacity < 1 ? 1 : capacity) {}

CursorPool::~CursorPool() = default;

EntryCursor& CursorPool::cursorFor(const CatalogueEntry& entry, std::int64_t offset) {
    Slot* best = nullptr;
    Slot* oldest = nullptr;
    for (Slot& slot : slots_) {
        const EntryCursor& cursor = *slot.cursor;
        if (cursor.entry().index == entry.index && cursor.readsOnFrom(offset) &&
            (best == nullptr || cursor.windowStart() > best->cursor->windowStart())) {
            best = &slot;
        }
        if (oldest == nullptr || slot.lastUse < oldest->lastUse) oldest = &slot;
    }
    if (best == nullptr) {
        if (slots_.size() < capacity_) {
            slots_.push_back({});
            best = &slots_.back();
        } else {
            best = oldest;
        }
        best->cursor = std::make_unique<EntryCursor>(file_, entry);
    }
    best->lastUse = ++clock_;
    return *best->cursor;
}

std::size_t CursorPool::read(const CatalogueEntry& entry, std::int64_t offset, char* buffer,
                             std::size_t count) {
    if (!entry.compressed) return EntryCursor(file_, entry).read(offset, buffer, count);
    return cursorFor(entry, offset).read(offset, buffer, count);
}

}  // namespace kelvane
