#include "archive/entry_inflater.h"

#include <zlib.h>

#include <algorithm>
#include <new>

#include "archive/archive_errors.h"
#include "archive/stream_header.h"
#include "platform/read_only_file.h"

namespace kelvane {

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

// zlib over one entry's stream: the reference whose verdicts the messages follow. ISA-L is
// not used here: it takes streams whose Huffman codes are incomplete, which zlib and
// libdeflate refuse, so the same entry would be sound or damaged depending on its size.
struct EntryInflater::Stream {
    Stream(StreamKind kind, const char* input, std::size_t size) {
        const bool wrapped = kind != StreamKind::Raw;
        if (inflateInit2(&z, wrapped ? MAX_WBITS : -MAX_WBITS) != Z_OK) throw std::bad_alloc();
        feed(input, size);
    }
    ~Stream() { inflateEnd(&z); }

    void feed(const char* input, std::size_t size) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input));
        z.avail_in = uInt(size);
    }

    z_stream z{};
};

EntryInflater::EntryInflater(const ReadOnlyFile& file, const CatalogueEntry& entry,
                             const EntrySink* storedBytes)
    : entry_(entry),
      stored_(file, entry, storedBytes),
      input_(std::make_unique_for_overwrite<char[]>(kEntryChunk)),
      expected_(entry.size) {
    const std::size_t got = stored_.next(input_.get());
    stream_ = std::make_unique<Stream>(streamKind(input_.get(), got), input_.get(), got);
}

EntryInflater::~EntryInflater() = default;

std::size_t EntryInflater::inflateInto(char* out, std::size_t room) {
    z_stream& z = stream_->z;
    for (;;) {
        if (z.avail_in == 0 && stored_.left() > 0) {
            stream_->feed(input_.get(), stored_.next(input_.get()));
        }
        z.next_out = reinterpret_cast<Bytef*>(out);
        z.avail_out = uInt(room);
        const int status = inflate(&z, Z_NO_FLUSH);
        const std::size_t produced = room - z.avail_out;
        if (status == Z_STREAM_END) {
            ended_ = true;
            return produced;
        }
        if (status == Z_BUF_ERROR && z.avail_in == 0 && stored_.left() == 0) {
            throw streamEndsEarly(entry_);
        }
        if (status != Z_OK && status != Z_BUF_ERROR) {
            throw streamCorrupt(entry_);
        }
        if (produced > 0) return produced;
    }
}

std::size_t EntryInflater::next(char* out, std::size_t room) {
    if (!ended_ && done_ == expected_) {
        // The stated size is reached: the stream must end here, without one byte more.
        char extra;
        while (!ended_) {
            if (inflateInto(&extra, 1) > 0) {
                throw yieldsMoreThanStated(entry_);
            }
        }
    }
    if (ended_) {
        if (done_ != expected_) {
            throw yieldsOtherThanStated(entry_, done_);
        }
        return 0;
    }
    const std::size_t produced = inflateInto(
        out, std::size_t(std::min<std::int64_t>(std::int64_t(room), expected_ - done_)));
    done_ += std::int64_t(produced);
    // Nothing came out: the stream has ended, and its size decides.
    if (produced == 0) return next(out, room);
    return produced;
}

void EntryInflater::readRest() {
    while (stored_.next(input_.get()) > 0) {
    }
}

}  // namespace kelvane
