#include "archive/entry_reader.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <memory>

#include "archive/archive_errors.h"
#include "platform/read_only_file.h"

namespace kelvane {
namespace {

constexpr std::size_t kChunk = 64 * 1024;

constexpr std::int64_t kWhole = std::numeric_limits<std::int64_t>::max();

// Reads the stored bytes in chunks, handing each to the stored-bytes observer.
class StoredBytes {
  public:
    StoredBytes(const ReadOnlyFile& file, const CatalogueEntry& entry, const EntrySink* observer)
        : file_(file),
          position_(entry.offset),
          left_(entry.offset < 0 ? 0 : std::max<std::int64_t>(entry.storedSize, 0)),
          observer_(observer) {}

    std::int64_t left() const { return left_; }
    // Up to one chunk into `buffer`; 0 once the entry or the archive ends.
    std::size_t next(char* buffer) {
        const std::size_t wanted = std::size_t(std::min<std::int64_t>(kChunk, left_));
        const std::size_t got = wanted == 0 ? 0 : file_.readAt(position_, buffer, wanted);
        if (got > 0 && observer_ != nullptr) (*observer_)(buffer, got);
        position_ += std::int64_t(got);
        left_ = got < wanted ? 0 : left_ - std::int64_t(got);
        return got;
    }

  private:
    const ReadOnlyFile& file_;
    std::int64_t position_;
    std::int64_t left_;
    const EntrySink* observer_;
};

std::int64_t copyStored(StoredBytes& stored, const EntrySink& sink) {
    auto buffer = std::make_unique_for_overwrite<char[]>(kChunk);
    std::int64_t done = 0;
    while (const std::size_t got = stored.next(buffer.get())) {
        sink(buffer.get(), got);
        done += std::int64_t(got);
    }
    return done;
}

bool isZlibHeader(const char* bytes, std::size_t size) {
    if (size < 2) return false;
    const unsigned first = static_cast<unsigned char>(bytes[0]);
    const unsigned second = static_cast<unsigned char>(bytes[1]);
    return (first & 0x0F) == 8 && (first << 8 | second) % 31 == 0;
}

class Inflater {
  public:
    explicit Inflater(bool zlib) {
        if (inflateInit2(&stream_, zlib ? MAX_WBITS : -MAX_WBITS) != Z_OK) throw std::bad_alloc();
    }
    ~Inflater() { inflateEnd(&stream_); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    z_stream* operator->() { return &stream_; }
    z_stream* get() { return &stream_; }

  private:
    z_stream stream_{};
};

// Inflates the entry, or only its first `limit` bytes: the stream is then read no further
// than it takes to produce them.
std::int64_t inflateEntry(StoredBytes& stored, const CatalogueEntry& entry, const EntrySink& sink,
                          bool observed, std::int64_t limit = kWhole) {
    if (limit <= 0) return 0;
    const std::int64_t expected = std::uint32_t(entry.size);
    auto input = std::make_unique_for_overwrite<char[]>(kChunk);
    auto output = std::make_unique_for_overwrite<char[]>(kChunk);
    std::size_t got = stored.next(input.get());
    Inflater inflater(isZlibHeader(input.get(), got));
    inflater->next_in = reinterpret_cast<Bytef*>(input.get());
    inflater->avail_in = uInt(got);

    const std::string stated = std::to_string(expected);
    std::int64_t done = 0;
    for (;;) {
        if (inflater->avail_in == 0 && stored.left() > 0) {
            got = stored.next(input.get());
            inflater->next_in = reinterpret_cast<Bytef*>(input.get());
            inflater->avail_in = uInt(got);
        }
        // Room for the stated size only, plus one byte that shows a stream that goes on.
        const std::int64_t wanted = std::min(expected - done + 1, limit - done);
        const std::size_t room = std::size_t(std::min<std::int64_t>(kChunk, wanted));
        inflater->next_out = reinterpret_cast<Bytef*>(output.get());
        inflater->avail_out = uInt(room);
        const int status = inflate(inflater.get(), Z_NO_FLUSH);
        const std::size_t produced = room - inflater->avail_out;
        if (done + std::int64_t(produced) > expected) {
            throw DamagedEntry(entry, "elle donne plus que ses " + stated + " octets",
                               "it yields more than its " + stated + " bytes");
        }
        if (produced > 0) sink(output.get(), produced);
        done += std::int64_t(produced);
        if (done >= limit) return done;
        if (status == Z_STREAM_END) break;
        if (status == Z_BUF_ERROR && inflater->avail_in == 0 && stored.left() == 0) {
            throw DamagedEntry(entry, "son flux compressé s'arrête avant la fin",
                               "its compressed stream ends early");
        }
        if (status != Z_OK && status != Z_BUF_ERROR) {
            throw DamagedEntry(entry, "son flux compressé est corrompu",
                               "its compressed stream is corrupt");
        }
    }
    if (done != expected) {
        const std::string count = std::to_string(done);
        throw DamagedEntry(entry, "elle donne " + count + " octets au lieu de " + stated,
                           "it yields " + count + " bytes instead of " + stated);
    }
    // The observer sees the stored bytes that follow the end of the stream too.
    if (observed) {
        while (stored.next(input.get()) > 0) {
        }
    }
    return done;
}

}  // namespace

std::int64_t readEntry(const ReadOnlyFile& file, const CatalogueEntry& entry, const EntrySink& sink,
                       const EntrySink* storedBytes) {
    StoredBytes stored(file, entry, storedBytes);
    return entry.compressed ? inflateEntry(stored, entry, sink, storedBytes != nullptr)
                            : copyStored(stored, sink);
}

std::string readEntryPrefix(const ReadOnlyFile& file, const CatalogueEntry& entry,
                            std::size_t limit) {
    const std::int64_t wanted = std::int64_t(std::min<std::size_t>(limit, kWhole));
    std::string bytes;
    if (!entry.compressed) {
        // One read straight into the result.
        const std::int64_t size = std::min<std::int64_t>(entry.storedSize, wanted);
        if (entry.offset < 0 || size <= 0) return bytes;
        bytes.resize(std::size_t(size));
        bytes.resize(file.readAt(entry.offset, bytes.data(), bytes.size()));
        return bytes;
    }
    bytes.reserve(std::size_t(std::min<std::int64_t>(std::uint32_t(entry.size), wanted)));
    StoredBytes stored(file, entry, nullptr);
    inflateEntry(
        stored, entry, [&](const char* data, std::size_t size) { bytes.append(data, size); }, false,
        wanted);
    return bytes;
}

}  // namespace kelvane
