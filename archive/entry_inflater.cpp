#include "archive/entry_inflater.h"

#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>
#include <new>
#include <string>

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

// One step of inflation: what came out and how the stream stands.
struct Step {
    std::size_t produced;
    enum { Going, Ended, Starved, Corrupt } state;
};

// The inflater proper: ISA-L while it accepts the stream, zlib (the reference whose verdicts
// the messages follow) once ISA-L refuses it or when the stream is one ISA-L is not given.
struct EntryInflater::Stream {
    explicit Stream(StreamKind kind) : kind(kind) {}
    ~Stream() {
        if (zlibStarted) inflateEnd(&z);
    }

    void startIsal(const char* input, std::size_t size) {
        isal_inflate_init(&isal);
        isal.crc_flag = kind == StreamKind::Zlib ? ISAL_ZLIB : ISAL_DEFLATE;
        isal.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(input));
        isal.avail_in = std::uint32_t(size);
        usingIsal = true;
    }

    void startZlib(const char* input, std::size_t size) {
        const bool wrapped = kind != StreamKind::Raw;
        if (inflateInit2(&z, wrapped ? MAX_WBITS : -MAX_WBITS) != Z_OK) throw std::bad_alloc();
        zlibStarted = true;
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input));
        z.avail_in = uInt(size);
        usingIsal = false;
    }

    std::size_t inputLeft() const { return usingIsal ? isal.avail_in : z.avail_in; }

    void feed(const char* input, std::size_t size) {
        if (usingIsal) {
            isal.next_in = reinterpret_cast<std::uint8_t*>(const_cast<char*>(input));
            isal.avail_in = std::uint32_t(size);
        } else {
            z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input));
            z.avail_in = uInt(size);
        }
    }

    Step step(char* out, std::size_t room) {
        return usingIsal ? isalStep(out, room) : zlibStep(out, room);
    }

    Step isalStep(char* out, std::size_t room) {
        isal.next_out = reinterpret_cast<std::uint8_t*>(out);
        isal.avail_out = std::uint32_t(room);
        const int status = isal_inflate(&isal);
        const std::size_t produced = room - isal.avail_out;
        if (status < 0 || status == ISAL_NEED_DICT) return {produced, Step::Corrupt};
        if (isal.block_state == ISAL_BLOCK_FINISH) return {produced, Step::Ended};
        return {produced, produced == 0 && isal.avail_in == 0 ? Step::Starved : Step::Going};
    }

    Step zlibStep(char* out, std::size_t room) {
        z.next_out = reinterpret_cast<Bytef*>(out);
        z.avail_out = uInt(room);
        const int status = inflate(&z, Z_NO_FLUSH);
        const std::size_t produced = room - z.avail_out;
        if (status == Z_STREAM_END) return {produced, Step::Ended};
        if (status == Z_BUF_ERROR && z.avail_in == 0) return {produced, Step::Starved};
        if (status != Z_OK && status != Z_BUF_ERROR) return {produced, Step::Corrupt};
        return {produced, Step::Going};
    }

    StreamKind kind;
    bool usingIsal = false;
    bool zlibStarted = false;
    inflate_state isal;
    z_stream z{};
};

EntryInflater::EntryInflater(const ReadOnlyFile& file, const CatalogueEntry& entry,
                             const EntrySink* storedBytes)
    : file_(file),
      entry_(entry),
      stored_(file, entry, storedBytes),
      input_(std::make_unique_for_overwrite<char[]>(kEntryChunk)),
      expected_(entry.size) {
    const std::size_t got = stored_.next(input_.get());
    const StreamKind kind = streamKind(input_.get(), got);
    stream_ = std::make_unique<Stream>(kind);
    if (fastInflaterTakes(kind, input_.get(), got)) {
        stream_->startIsal(input_.get(), got);
    } else {
        stream_->startZlib(input_.get(), got);
    }
}

EntryInflater::~EntryInflater() = default;

void EntryInflater::handOverToZlib() {
    // zlib starts the entry over from its own copy of the stored bytes and catches up with
    // what was handed out; whatever it then finds is the verdict.
    replay_ = std::make_unique<StoredBytes>(file_, entry_, nullptr);
    const std::size_t got = replay_->next(input_.get());
    const StreamKind kind = stream_->kind;
    stream_ = std::make_unique<Stream>(kind);
    stream_->startZlib(input_.get(), got);
    auto scratch = std::make_unique_for_overwrite<char[]>(kEntryChunk);
    std::int64_t skipped = 0;
    while (skipped < done_) {
        const std::size_t room = std::size_t(std::min<std::int64_t>(kEntryChunk, done_ - skipped));
        const std::size_t again = inflateInto(scratch.get(), room);
        if (again == 0) break;
        skipped += std::int64_t(again);
    }
}

std::size_t EntryInflater::inflateInto(char* out, std::size_t room) {
    for (;;) {
        StoredBytes& source = replay_ ? *replay_ : stored_;
        if (stream_->inputLeft() == 0 && source.left() > 0) {
            stream_->feed(input_.get(), source.next(input_.get()));
        }
        const Step step = stream_->step(out, room);
        const bool exhausted = stream_->inputLeft() == 0 && source.left() == 0;
        if (step.state == Step::Ended) ended_ = true;
        const bool refused =
            step.state == Step::Corrupt || (step.state == Step::Starved && exhausted);
        if (refused && stream_->usingIsal) {
            handOverToZlib();
            if (ended_) return 0;
            continue;
        }
        if (step.state == Step::Starved && exhausted) {
            throw streamEndsEarly(entry_);
        }
        if (step.state == Step::Corrupt) {
            throw streamCorrupt(entry_);
        }
        if (step.produced > 0 || ended_) return step.produced;
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
