#include "archive/entry_cursor.h"

#include <algorithm>
#include <cstring>

#include "archive/indexed_inflater.h"
#include "archive/restart_index.h"
#include "platform/read_only_file.h"

namespace kelvane {
namespace {
constexpr std::size_t kWindow = 256 * 1024;
}  // namespace

StoredSpan storedSpan(const CatalogueEntry& entry, std::int64_t fileSize, std::int64_t offset,
                      std::size_t count) {
    // A damaged directory may state more than is stored, or a place outside the file.
    const std::int64_t stored = entry.storedSize;
    if (offset < 0 || offset >= stored) return {};
    const std::int64_t position = std::int64_t(entry.offset) + offset;
    const std::int64_t available = std::min(stored - offset, fileSize - position);
    if (available <= 0) return {};
    return {position, std::size_t(std::min<std::int64_t>(std::int64_t(count), available))};
}

EntryCursor::EntryCursor(const ReadOnlyFile& file, const CatalogueEntry& entry,
                         std::shared_ptr<RestartIndex> index)
    : file_(file),
      entry_(entry),
      index_(index ? std::move(index) : std::make_shared<RestartIndex>()) {}

EntryCursor::~EntryCursor() = default;

std::int64_t EntryCursor::size() const {
    return entry_.size;
}

std::size_t EntryCursor::read(std::int64_t offset, char* buffer, std::size_t count) {
    if (offset < 0 || offset >= size() || count == 0) return 0;
    count = std::size_t(std::min<std::int64_t>(std::int64_t(count), size() - offset));
    return entry_.compressed ? readCompressed(offset, buffer, count)
                             : readStored(offset, buffer, count);
}

std::size_t EntryCursor::readStored(std::int64_t offset, char* buffer, std::size_t count) {
    const StoredSpan span = storedSpan(entry_, file_.size(), offset, count);
    return span.count == 0 ? 0 : file_.readAt(span.position, buffer, span.count);
}

void EntryCursor::restartBefore(std::int64_t offset) {
    inflater_.reset();
    const RestartPoint* from = index_->before(offset);
    inflater_ = std::make_unique<IndexedInflater>(file_, entry_, *index_, from);
    if (!window_) window_ = std::make_unique_for_overwrite<char[]>(kWindow);
    windowStart_ = inflater_->position();
    windowSize_ = 0;
    ++starts_;
}

// Before the window, or when a point past it saves inflating at least one more interval.
bool EntryCursor::worthRestarting(std::int64_t offset) const {
    if (!inflater_ || offset < windowStart_) return true;
    const RestartPoint* point = index_->before(offset);
    return point != nullptr &&
           point->output >= windowStart_ + std::int64_t(windowSize_) + kRestartInterval;
}

// Moves the window forward over the next inflated bytes; false at the end of the entry.
bool EntryCursor::fillWindow() {
    windowStart_ += std::int64_t(windowSize_);
    windowSize_ = 0;
    while (windowSize_ < kWindow) {
        const std::size_t got = inflater_->next(window_.get() + windowSize_, kWindow - windowSize_);
        if (got == 0) break;
        windowSize_ += got;
        inflated_ += std::int64_t(got);
    }
    if (windowSize_ == kWindow && windowStart_ + std::int64_t(kWindow) == size()) {
        // A full window that ends the entry: the end of the stream (its checksum, nothing more
        // after) is checked now, not left to a read past the end that may never come.
        char none;
        inflater_->next(&none, 1);
    }
    return windowSize_ > 0;
}

std::size_t EntryCursor::readCompressed(std::int64_t offset, char* buffer, std::size_t count) {
    if (worthRestarting(offset)) restartBefore(offset);
    try {
        return copyFromStream(offset, buffer, count);
    } catch (...) {
        inflater_.reset();  // the next read starts over
        throw;
    }
}

std::size_t EntryCursor::copyFromStream(std::int64_t offset, char* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const std::int64_t at = offset + std::int64_t(done);
        const std::int64_t windowEnd = windowStart_ + std::int64_t(windowSize_);
        if (at >= windowEnd) {
            if (!fillWindow()) break;
            continue;
        }
        const std::size_t from = std::size_t(at - windowStart_);
        const std::size_t take = std::min(count - done, windowSize_ - from);
        std::memcpy(buffer + done, window_.get() + from, take);
        done += take;
    }
    return done;
}

}  // namespace kelvane
