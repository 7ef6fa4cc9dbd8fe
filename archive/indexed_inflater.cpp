#include "archive/indexed_inflater.h"

#include <zlib.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "archive/archive_errors.h"
#include "archive/restart_index.h"
#include "archive/stream_header.h"
#include "platform/read_only_file.h"

namespace kelvane {
namespace {

constexpr std::size_t kInputChunk = 64 * 1024;

}  // namespace

struct IndexedInflater::Stream {
    z_stream z{};
};

IndexedInflater::IndexedInflater(const ReadOnlyFile& file, const CatalogueEntry& entry,
                                 RestartIndex& index, const RestartPoint* from)
    : file_(file),
      entry_(entry),
      index_(index),
      input_(std::make_unique_for_overwrite<char[]>(kInputChunk)),
      stream_(std::make_unique<Stream>()) {
    z_stream& z = stream_->z;
    if (from == nullptr) {
        const std::size_t got = readInput(input_.get(), kInputChunk);
        const bool zlib = streamKind(input_.get(), got) == StreamKind::Zlib;
        if (inflateInit2(&z, zlib ? MAX_WBITS : -MAX_WBITS) != Z_OK) throw std::bad_alloc();
        z.next_in = reinterpret_cast<Bytef*>(input_.get());
        z.avail_in = uInt(got);
        return;
    }
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) throw std::bad_alloc();
    done_ = from->output;
    taken_ = from->input - (from->bits ? 1 : 0);
    if (from->bits) {
        char partial;
        if (readInput(&partial, 1) != 1) throw streamEndsEarly(entry_);
        inflatePrime(&z, from->bits, static_cast<unsigned char>(partial) >> (8 - from->bits));
    }
    inflateSetDictionary(&z, from->window.data(), uInt(from->window.size()));
}

IndexedInflater::~IndexedInflater() {
    inflateEnd(&stream_->z);
}

// Stored bytes from the next one not yet read; fewer once the entry or the archive ends.
std::size_t IndexedInflater::readInput(char* buffer, std::size_t wanted) {
    if (inputEnded_) return 0;
    wanted = std::size_t(std::clamp<std::int64_t>(entry_.storedSize - taken_, 0, wanted));
    const std::size_t got =
        wanted == 0 ? 0 : file_.readAt(std::int64_t(entry_.offset) + taken_, buffer, wanted);
    taken_ += std::int64_t(got);
    if (got < wanted) inputEnded_ = true;  // the archive ends before the entry
    return got;
}

// At a block boundary: keeps a point here when it is the next one the index wants.
void IndexedInflater::keepPoint() {
    z_stream& z = stream_->z;
    const bool boundary = (z.data_type & 128) && !(z.data_type & 64);
    if (!boundary || !index_.wants(done_)) return;
    unsigned char window[kDeflateWindow];
    uInt size = sizeof window;
    if (inflateGetDictionary(&z, window, &size) != Z_OK) return;
    index_.add(done_, taken_ - std::int64_t(z.avail_in), z.data_type & 7, window, size);
}

std::size_t IndexedInflater::inflateInto(char* out, std::size_t room) {
    z_stream& z = stream_->z;
    for (;;) {
        if (z.avail_in == 0 && inputLeft()) {
            z.next_in = reinterpret_cast<Bytef*>(input_.get());
            z.avail_in = uInt(readInput(input_.get(), kInputChunk));
        }
        z.next_out = reinterpret_cast<Bytef*>(out);
        z.avail_out = uInt(room);
        // Z_BLOCK (stop at each block boundary, where a point may be kept) only once the next
        // point is due: stopping at every block costs a sixth of the speed.
        const bool pointDue = index_.wants(done_ + std::int64_t(room));
        const int status = inflate(&z, pointDue ? Z_BLOCK : Z_NO_FLUSH);
        const std::size_t produced = room - z.avail_out;
        done_ += std::int64_t(produced);
        if (status == Z_STREAM_END) ended_ = true;
        if (status == Z_BUF_ERROR && z.avail_in == 0 && !inputLeft()) {
            throw streamEndsEarly(entry_);
        }
        if (status != Z_OK && status != Z_BUF_ERROR && status != Z_STREAM_END) {
            throw streamCorrupt(entry_);
        }
        if (status == Z_OK) keepPoint();
        if (produced > 0 || ended_) return produced;
    }
}

std::size_t IndexedInflater::next(char* out, std::size_t room) {
    const std::int64_t expected = entry_.size;
    if (!ended_ && done_ == expected) {
        // The stated size is reached: the stream must end here, without one byte more.
        char extra;
        while (!ended_) {
            if (inflateInto(&extra, 1) > 0) {
                throw yieldsMoreThanStated(entry_);
            }
        }
    }
    if (ended_) {
        if (done_ != expected) {
            throw yieldsOtherThanStated(entry_, done_);
        }
        return 0;
    }
    return inflateInto(out,
                       std::size_t(std::min<std::int64_t>(std::int64_t(room), expected - done_)));
}

}  // namespace kelvane
