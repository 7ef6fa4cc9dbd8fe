#include "preview/entry_stream.h"

#include <algorithm>
#include <cstring>

#include "archive/entry_inflater.h"
#include "platform/read_only_file.h"

namespace kelvane {

StoredEntryStream::StoredEntryStream(const ReadOnlyFile& file, const CatalogueEntry& entry)
    : file_(file), offset_(entry.offset) {
    const std::int64_t inFile = std::max<std::int64_t>(file.size() - offset_, 0);
    size_ = std::uint64_t(std::min<std::int64_t>(entry.storedSize, inFile));
}

std::size_t StoredEntryStream::read(void* buffer, std::size_t count) {
    if (position_ >= size_) return 0;
    const std::size_t wanted = std::size_t(std::min<std::uint64_t>(count, size_ - position_));
    const std::size_t got =
        file_.readAt(offset_ + std::int64_t(position_), static_cast<char*>(buffer), wanted);
    position_ += got;
    return got;
}

namespace {
// The bytes at hand: the history and three times as much inflated ahead of it, so that the
// history moves back to the front once every three history lengths read.
constexpr std::size_t kInflatedBuffer = 4 * kInflatedHistory;
}  // namespace

InflatedEntryStream::InflatedEntryStream(const ReadOnlyFile& file, const CatalogueEntry& entry)
    : file_(file),
      entry_(entry),
      buffer_(std::make_unique_for_overwrite<char[]>(kInflatedBuffer)),
      size_(std::uint32_t(entry.size)) {
    restart();
}

InflatedEntryStream::~InflatedEntryStream() = default;

void InflatedEntryStream::restart() {
    inflater_.reset();
    inflater_ = std::make_unique<EntryInflater>(file_, entry_);
    bufferStart_ = 0;
    bufferSize_ = 0;
    ++starts_;
}

void InflatedEntryStream::makeRoom(std::size_t count) {
    if (bufferSize_ + count <= kInflatedBuffer) return;
    // The last kInflatedHistory bytes stay, at the front; as much again is free behind them.
    const std::size_t dropped = bufferSize_ - std::min(bufferSize_, kInflatedHistory);
    std::memmove(buffer_.get(), buffer_.get() + dropped, bufferSize_ - dropped);
    bufferStart_ += dropped;
    bufferSize_ -= dropped;
}

bool InflatedEntryStream::inflateMore() {
    makeRoom(1);
    const std::size_t got =
        inflater_->next(buffer_.get() + bufferSize_, kInflatedBuffer - bufferSize_);
    bufferSize_ += got;
    return got > 0;
}

void InflatedEntryStream::keep(const char* bytes, std::size_t count) {
    if (count >= kInflatedHistory) {
        std::memcpy(buffer_.get(), bytes + count - kInflatedHistory, kInflatedHistory);
        bufferStart_ += bufferSize_ + count - kInflatedHistory;
        bufferSize_ = kInflatedHistory;
        return;
    }
    makeRoom(count);
    std::memcpy(buffer_.get() + bufferSize_, bytes, count);
    bufferSize_ += count;
}

std::size_t InflatedEntryStream::read(void* buffer, std::size_t count) {
    if (position_ >= size_ || count == 0) return 0;
    count = std::size_t(std::min<std::uint64_t>(count, size_ - position_));
    if (position_ < bufferStart_) restart();
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const std::uint64_t bufferEnd = bufferStart_ + bufferSize_;
        if (position_ < bufferEnd) {
            const std::size_t from = std::size_t(position_ - bufferStart_);
            const std::size_t take = std::min(count - done, bufferSize_ - from);
            std::memcpy(out + done, buffer_.get() + from, take);
            done += take;
            position_ += take;
            continue;
        }
        if (position_ == bufferEnd && count - done >= kInflatedBuffer) {
            // A long read is inflated straight into place and only its end kept.
            const std::size_t got = inflater_->next(out + done, count - done);
            if (got == 0) break;
            keep(out + done, got);
            done += got;
            position_ += got;
            continue;
        }
        if (!inflateMore()) break;
    }
    return done;
}

void InflatedEntryStream::finish() {
    while (inflater_->next(buffer_.get(), kInflatedBuffer) > 0) {
    }
    bufferSize_ = 0;
    bufferStart_ = size_;
}

}  // namespace kelvane
