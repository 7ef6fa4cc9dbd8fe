#include "archive/entry_inflater.h"

#include <zlib.h>

#include <algorithm>
#include <new>
#include <string>

#include "archive/archive_errors.h"
#include "platform/read_only_file.h"

namespace kelvane {
namespace {

bool isZlibHeader(const char* bytes, std::size_t size) {
    if (size < 2) return false;
    const unsigned first = static_cast<unsigned char>(bytes[0]);
    const unsigned second = static_cast<unsigned char>(bytes[1]);
    return (first & 0x0F) == 8 && (first << 8 | second) % 31 == 0;
}

}  // namespace

StoredBytes::StoredBytes(const ReadOnlyFile& file, const CatalogueEntry& entry,
                         const EntrySink* observer)
    : file_(file), position_(entry.offset), left_(entry.storedSize), observer_(observer) {}

std::size_t StoredBytes::next(char* buffer) {
    const std::size_t wanted = std::size_t(std::min<std::int64_t>(kEntryChunk, left_));
    const std::size_t got = wanted == 0 ? 0 : file_.readAt(position_, buffer, wanted);
    if (got > 0 && observer_ != nullptr) (*observer_)(buffer, got);
    position_ += std::int64_t(got);
    left_ = got < wanted ? 0 : left_ - std::int64_t(got);
    return got;
}

struct EntryInflater::Stream {
    z_stream z{};
};

EntryInflater::EntryInflater(const ReadOnlyFile& file, const CatalogueEntry& entry,
                             const EntrySink* storedBytes)
    : entry_(entry),
      stored_(file, entry, storedBytes),
      input_(std::make_unique_for_overwrite<char[]>(kEntryChunk)),
      stream_(std::make_unique<Stream>()),
      expected_(entry.size) {
    const std::size_t got = stored_.next(input_.get());
    const bool zlib = isZlibHeader(input_.get(), got);
    if (inflateInit2(&stream_->z, zlib ? MAX_WBITS : -MAX_WBITS) != Z_OK) throw std::bad_alloc();
    stream_->z.next_in = reinterpret_cast<Bytef*>(input_.get());
    stream_->z.avail_in = uInt(got);
}

EntryInflater::~EntryInflater() {
    inflateEnd(&stream_->z);
}

std::size_t EntryInflater::inflateInto(char* out, std::size_t room) {
    z_stream& z = stream_->z;
    for (;;) {
        if (z.avail_in == 0 && stored_.left() > 0) {
            z.next_in = reinterpret_cast<Bytef*>(input_.get());
            z.avail_in = uInt(stored_.next(input_.get()));
        }
        z.next_out = reinterpret_cast<Bytef*>(out);
        z.avail_out = uInt(room);
        const int status = inflate(&z, Z_NO_FLUSH);
        const std::size_t produced = room - z.avail_out;
        if (status == Z_STREAM_END) ended_ = true;
        if (status == Z_BUF_ERROR && z.avail_in == 0 && stored_.left() == 0) {
            throw DamagedEntry(entry_, "son flux compressé s'arrête avant la fin",
                               "its compressed stream ends early");
        }
        if (status != Z_OK && status != Z_BUF_ERROR && status != Z_STREAM_END) {
            throw DamagedEntry(entry_, "son flux compressé est corrompu",
                               "its compressed stream is corrupt");
        }
        if (produced > 0 || ended_) return produced;
    }
}

std::size_t EntryInflater::next(char* out, std::size_t room) {
    const std::string stated = std::to_string(expected_);
    if (!ended_ && done_ == expected_) {
        // The stated size is reached: the stream must end here, without one byte more.
        char extra;
        while (!ended_) {
            if (inflateInto(&extra, 1) > 0) {
                throw DamagedEntry(entry_, "elle donne plus que ses " + stated + " octets",
                                   "it yields more than its " + stated + " bytes");
            }
        }
    }
    if (ended_) {
        if (done_ != expected_) {
            const std::string count = std::to_string(done_);
            throw DamagedEntry(entry_, "elle donne " + count + " octets au lieu de " + stated,
                               "it yields " + count + " bytes instead of " + stated);
        }
        return 0;
    }
    const std::size_t produced = inflateInto(
        out, std::size_t(std::min<std::int64_t>(std::int64_t(room), expected_ - done_)));
    done_ += std::int64_t(produced);
    return produced;
}

void EntryInflater::readRest() {
    while (stored_.next(input_.get()) > 0) {
    }
}

}  // namespace kelvane
