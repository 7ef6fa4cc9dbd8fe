#include "archive/archive_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>

#include "archive/archive_errors.h"
#include "archive/crc32_mpeg2.h"
#include "archive/pod_reader.h"
#include "platform/atomic_output_file.h"
#include "platform/bilingual_error.h"
#include "platform/cp1252.h"
#include "platform/visible_text.h"

namespace kelvane {
namespace {

// Offsets and sizes are read back as signed 32-bit values.
constexpr std::int64_t kLargestArchive = std::numeric_limits<std::int32_t>::max();
// Output is gathered in one buffer, which files are read straight into, so that many small
// files cost few writes.
constexpr std::size_t kBufferSize = 128 * 1024;

struct Cancelled {};

[[noreturn]] void cannotRead(const std::string& path, int error) {
    const std::string reason = std::strerror(error);
    throw BilingualError("Impossible de lire le fichier " + path + " : " + reason,
                         "Cannot read file " + path + ": " + reason);
}

[[noreturn]] void changedSize(const std::string& path) {
    throw BilingualError("Le fichier " + path + " a changé de taille pendant sa lecture.",
                         "The file " + path + " changed size while it was read.");
}

[[noreturn]] void tooLarge() {
    throw BilingualError("L'archive dépasserait 2 Gio, la taille que ses positions atteignent.",
                         "The archive would exceed 2 GiB, the size its offsets can reach.");
}

std::uint32_t timestampOf(const struct stat& status) {
    const auto seconds =
        std::clamp<std::int64_t>(status.st_mtim.tv_sec, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max());
    return std::uint32_t(std::int32_t(seconds));
}

// The folder of the file opened last, kept open: files packed in name order mostly share
// their folder, and opening a name within it spares looking up the whole path again.
class FolderCache {
  public:
    FolderCache() = default;
    ~FolderCache() { forget(); }
    FolderCache(const FolderCache&) = delete;
    FolderCache& operator=(const FolderCache&) = delete;

    int open(const std::string& path, int flags) {
        const std::size_t slash = path.rfind('/');
        if (slash == std::string::npos || slash == 0) return ::open(path.c_str(), flags);
        const std::string_view folder(path.data(), slash);
        if (fd_ < 0 || folder != folder_) {
            forget();
            folder_.assign(folder);
            fd_ = ::open(folder_.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            // The file's own open then tells why.
            if (fd_ < 0) return ::open(path.c_str(), flags);
        }
        return ::openat(fd_, path.c_str() + slash + 1, flags);
    }

  private:
    void forget() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

    std::string folder_;
    int fd_ = -1;
};

// A file opened for packing; never a FIFO or device, which would block or never end.
class SourceFile {
  public:
    SourceFile(FolderCache& folders, const std::string& path) : path_(path) {
        fd_ = folders.open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0) cannotRead(path, errno);
        if (::fstat(fd_, &status_) != 0) cannotRead(path, errno);
        if (!S_ISREG(status_.st_mode)) {
            throw BilingualError(path + " n'est pas un fichier ordinaire.",
                                 path + " is not a regular file.");
        }
    }
    ~SourceFile() { ::close(fd_); }
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    std::int64_t size() const { return status_.st_size; }
    std::uint32_t timestamp() const { return timestampOf(status_); }

    std::size_t read(char* target, std::size_t count) const {
        for (;;) {
            const ssize_t done = ::read(fd_, target, count);
            if (done >= 0) return std::size_t(done);
            if (errno != EINTR) cannotRead(path_, errno);
        }
    }

  private:
    std::string path_;
    int fd_ = -1;
    struct stat status_ {};
};

class Writer {
  public:
    Writer(const ArchivePlan& plan, const std::string& path, const WriteProgress& progress)
        : plan_(plan),
          unit_(*plan.layout),
          out_(path),
          progress_(progress),
          buffer_(std::make_unique_for_overwrite<char[]>(kBufferSize)) {}

    WrittenArchive run() {
        const bool directoryAfterData = unit_.header.directoryOffset.present();
        const std::string names = nameTable();
        const std::int64_t count = std::int64_t(plan_.entries.size());
        const std::int64_t prefixSize =
            unit_.headerSize +
            (directoryAfterData ? 0 : count * unit_.recordSize + std::int64_t(names.size()));
        if (prefixSize > kLargestArchive) tooLarge();
        // The header and directory are filled in once the data are written.
        out_.write(std::string(std::size_t(prefixSize), '\0').data(), std::size_t(prefixSize));
        position_ = prefixSize;

        std::string records;
        records.reserve(std::size_t(count) * unit_.recordSize);
        for (const EntryToWrite& entry : plan_.entries) {
            records += writeEntry(entry);
            report(done_ + 1);
        }
        flush();

        const std::int64_t dataSize = position_ - prefixSize;
        const std::string tail = (directoryAfterData ? records + names : std::string()) +
                                 plan_.dependencies + plan_.audit;
        if (position_ + std::int64_t(tail.size()) > kLargestArchive) tooLarge();
        std::string prefix = header(records, names, position_);
        if (!directoryAfterData) prefix += records + names;
        const HeaderFields& fields = unit_.header;
        if (fields.archiveChecksum.present()) {
            Crc32Mpeg2 whole;
            whole.update(prefix.data() + unit_.archiveChecksumStart,
                         prefix.size() - unit_.archiveChecksumStart);
            Crc32Mpeg2 rest;
            rest.update(tail.data(), tail.size());
            const std::uint32_t withData =
                crc32Mpeg2Concat(whole.value(), dataCrc_.value(), std::uint64_t(dataSize));
            setFieldValue(prefix, fields.archiveChecksum,
                          crc32Mpeg2Concat(withData, rest.value(), tail.size()));
        }
        out_.write(tail.data(), tail.size());
        out_.writeAt(0, prefix.data(), prefix.size());
        out_.commit(Durability::Flushed);
        return {.entries = count, .bytes = entryBytes_};
    }

  private:
    void report(std::int64_t done) {
        done_ = done;
        if (!progress_(done, std::int64_t(plan_.entries.size()))) throw Cancelled{};
    }

    std::string nameTable() const {
        std::string table;
        if (unit_.names != NameStorage::InSequence) return table;
        for (const EntryToWrite& entry : plan_.entries) (table += entry.name) += '\0';
        return table;
    }

    // The header with every field the writer owns filled in.
    std::string header(const std::string& records, const std::string& names,
                       std::int64_t dataEnd) const {
        const HeaderFields& fields = unit_.header;
        std::string bytes = plan_.header;
        bytes.resize(unit_.headerSize, '\0');
        setFieldValue(bytes, fields.count, std::uint32_t(plan_.entries.size()));
        setFieldValue(bytes, fields.auditCount,
                      std::uint32_t(plan_.audit.size() / kAuditRecordSize));
        setFieldValue(bytes, fields.dependencyCount,
                      std::uint32_t(plan_.dependencies.size() / kDependencyRecordSize));
        setFieldValue(bytes, fields.directoryOffset, std::uint32_t(dataEnd));
        setFieldValue(bytes, fields.nameTableSize, std::uint32_t(names.size()));
        setFieldValue(bytes, fields.directoryChecksum, crc32Mpeg2(records));
        setFieldValue(bytes, fields.dependencyChecksum, crc32Mpeg2(plan_.dependencies));
        setFieldValue(bytes, fields.auditChecksum, crc32Mpeg2(plan_.audit));
        if (fields.headerChecksum.present()) {
            setFieldValue(bytes, fields.headerChecksum,
                          crc32Mpeg2(std::string_view(bytes).substr(
                              kHeaderChecksumStart, kHeaderChecksumEnd - kHeaderChecksumStart)));
        }
        return bytes;
    }

    // Writes one entry's data; returns its directory record.
    std::string writeEntry(const EntryToWrite& entry) {
        const RecordFields& fields = unit_.record;
        const std::int64_t offset = position_;
        std::string record;
        std::int64_t size = 0;
        if (entry.keptIndex >= 0) {
            record = keptRecord(entry.keptIndex);
            size = copyKept(plan_.source->catalogue().at(std::size_t(entry.keptIndex)));
        } else {
            record.assign(unit_.recordSize, '\0');
            Crc32Mpeg2 crc;
            std::uint32_t timestamp = entry.timestamp;
            if (entry.bytes) {
                size = copyBytes(*entry.bytes, crc);
            } else {
                SourceFile file(folders_, entry.sourcePath);
                size = copyFile(file, entry.sourcePath, crc);
                timestamp = file.timestamp();
            }
            if (unit_.names == NameStorage::Inline) setFieldText(record, fields.name, entry.name);
            setFieldValue(record, fields.timestamp, timestamp);
            setFieldValue(record, fields.checksum, crc.value());
        }
        setFieldValue(record, fields.storedSize, std::uint32_t(size));
        setFieldValue(record, fields.offset, std::uint32_t(offset));
        if (unit_.names == NameStorage::InSequence) {
            setFieldValue(record, fields.name, nameOffset_);
            nameOffset_ += std::uint32_t(entry.name.size() + 1);
        }
        entryBytes_ += size;
        return record;
    }

    std::string keptRecord(int index) const {
        const TPOD& source = *plan_.source;
        std::string record(unit_.recordSize, '\0');
        const std::int64_t at =
            directoryStart(unit_, source.header()) + std::int64_t(index) * unit_.recordSize;
        if (source.file().readAt(at, record.data(), record.size()) != record.size()) {
            // The archive was cut short since it was read.
            throw partPastTheEnd(unit_.name, ArchivePart::Directory, at + unit_.recordSize,
                                 source.file().size());
        }
        return record;
    }

    std::int64_t copyKept(const CatalogueEntry& entry) {
        const std::int64_t size = entry.storedSize;
        if (position_ + size > kLargestArchive) tooLarge();
        std::int64_t done = 0;
        while (done < size) {
            const std::size_t wanted =
                std::size_t(std::min<std::int64_t>(size - done, std::int64_t(space())));
            // space() may have flushed: the free room starts at used_ only now.
            const std::size_t got = plan_.source->file().readAt(std::int64_t(entry.offset) + done,
                                                                buffer_.get() + used_, wanted);
            if (got == 0) {
                const std::string name = visibleText(entry.name);
                throw BilingualError("L'entrée " + name +
                                         " est coupée par la fin de l'archive : elle ne peut "
                                         "être recopiée.",
                                     "The entry " + name +
                                         " is cut short by the end of the archive: it "
                                         "cannot be copied.");
            }
            take(got, nullptr);
            done += std::int64_t(got);
        }
        return size;
    }

    std::int64_t copyFile(const SourceFile& file, const std::string& path, Crc32Mpeg2& crc) {
        const std::int64_t expected = file.size();
        if (position_ + expected > kLargestArchive) tooLarge();
        std::int64_t done = 0;
        for (;;) {
            // One byte more than the file should still hold shows a file that grew.
            const std::size_t wanted =
                std::size_t(std::min<std::int64_t>(std::int64_t(space()), expected - done + 1));
            const std::size_t got = file.read(buffer_.get() + used_, wanted);
            if (got == 0) break;
            done += std::int64_t(got);
            if (done > expected) changedSize(path);
            take(got, &crc);
            // A regular file reads short only at its end: no read is spent to learn it.
            if (done == expected && got < wanted) break;
        }
        if (done != expected) changedSize(path);
        return done;
    }

    std::int64_t copyBytes(const std::string& bytes, Crc32Mpeg2& crc) {
        if (position_ + std::int64_t(bytes.size()) > kLargestArchive) tooLarge();
        std::size_t done = 0;
        while (done < bytes.size()) {
            const std::size_t count = std::min(space(), bytes.size() - done);
            std::memcpy(buffer_.get() + used_, bytes.data() + done, count);
            take(count, &crc);
            done += count;
        }
        return std::int64_t(done);
    }

    // Free room in the buffer, flushing it when full.
    std::size_t space() {
        if (used_ == kBufferSize) {
            flush();
            report(done_);
        }
        return kBufferSize - used_;
    }

    // Counts `size` bytes just read into the buffer as archive data.
    void take(std::size_t size, Crc32Mpeg2* entryCrc) {
        const char* bytes = buffer_.get() + used_;
        dataCrc_.update(bytes, size);
        if (entryCrc) entryCrc->update(bytes, size);
        used_ += size;
        position_ += std::int64_t(size);
    }

    void flush() {
        out_.write(buffer_.get(), used_);
        used_ = 0;
    }

    const ArchivePlan& plan_;
    const LayoutUnit& unit_;
    AtomicOutputFile out_;
    const WriteProgress& progress_;
    std::unique_ptr<char[]> buffer_;
    std::size_t used_ = 0;
    std::int64_t position_ = 0;  // file offset of the next data byte
    std::uint32_t nameOffset_ = 0;
    std::int64_t done_ = 0;  // entries written
    std::int64_t entryBytes_ = 0;
    FolderCache folders_;
    Crc32Mpeg2 dataCrc_;  // every data byte, for the archive checksum
};

}  // namespace

WrittenArchive writeArchive(const ArchivePlan& plan, const std::string& path,
                            const WriteProgress& progress) {
    try {
        return Writer(plan, path, progress).run();
    } catch (const Cancelled&) {
        return {.cancelled = true};
    }
}

}  // namespace kelvane
