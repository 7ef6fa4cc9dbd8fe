#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_errors.h"
#include "archive/catalogue_entry.h"
#include "archive/entry_reader.h"
#include "archive/layouts.h"
#include "platform/atomic_output_file.h"
#include "platform/read_only_file.h"

namespace kelvane {

enum class ArchiveKind { NotOpen = 0, EPD = 1, POD = 2 };

// How Extract treats the stored directory levels of an entry.
enum class StoredPath {
    Drop,                // target directory + file part of the name
    Keep,                // target directory + full stored name; levels must exist
    KeepAndCreateLevels  // the same, every missing level created first
};

// What one extraction wrote.
struct ExtractionResult {
    std::string path;          // the file written (UTF-8)
    std::int64_t written = 0;  // bytes written
    bool truncated = false;    // the archive ended before the entry's last byte
};

// An entry whose writing was stopped half way (the run it belonged to was cancelled).
class EntryAbandoned : public std::runtime_error {
  public:
    EntryAbandoned() : std::runtime_error("extraction abandoned") {}
};

class TPOD;

// The archive at `path`, opened and its header and directory read. Throws BilingualError when
// the file is not a .POD or .EPD archive that can be opened for reading, and as
// ReadHeaderAndDirectory throws.
std::unique_ptr<TPOD> openAndRead(const std::string& path);

// One open POD or EPD archive: its header, directory and names, and the open file from
// which entries are copied out. The archive is opened for reading only. Within .POD the
// layout is chosen by the first bytes (the units of archive/layouts).
class TPOD {
  public:
    // Create: decides the kind by extension and opens the file; reads nothing yet.
    explicit TPOD(const std::string& fileName);
    TPOD(const TPOD&) = delete;
    TPOD& operator=(const TPOD&) = delete;

    // Kind by the upper-cased extension (".POD" or ".EPD"), then opens the file.
    // False (kind NotOpen) for another extension or a file that cannot be opened.
    bool Open(const std::string& fileName);
    ArchiveKind kind() const { return kind_; }
    bool isPOD3() const;

    void ReadEPDHeader();
    void ReadEPDDirectory();
    // Chooses the POD layout from the first bytes, then reads its header.
    void ReadPODHeader();
    void ReadPODDirectory();
    // The header and directory reads in the order the kind needs.
    void ReadHeaderAndDirectory();

    // Entry count as the header states it.
    std::int32_t declaredEntryCount() const;
    const std::vector<CatalogueEntry>& catalogue() const { return catalogue_; }
    // The layout and its header bytes, once the header is read.
    const LayoutUnit& layout() const;
    std::string_view header() const { return header_; }
    const ReadOnlyFile& file() const { return file_; }

    // Copies entry `index` into `targetDirectory` (ends with a separator). Throws
    // CannotCreateFile ("Cannot create file %s: <reason>") or DiskFull when the output cannot
    // be made,
    // UnsafeEntryName when the stored name would leave the target directory, and
    // DamagedEntry when a compressed entry cannot be inflated (nothing of it is left).
    ExtractionResult ExtractionPOD(int index, const OutputFolder& targetDirectory,
                                   StoredPath storedPath);
    ExtractionResult ExtractionEPD(int index, const OutputFolder& targetDirectory,
                                   StoredPath storedPath);
    // The extraction that fits the archive's kind.
    ExtractionResult Extract(int index, const OutputFolder& targetDirectory, StoredPath storedPath);
    // The same, reading through `archiveFile`, a duplicate of file() (each thread that
    // extracts at the same time as others reads through one of its own), and leaving the file
    // written but not in place: the caller commits or abandons `file`. Once `stop` is set
    // (by another thread), the next chunk throws EntryAbandoned instead of being written.
    struct WrittenEntry {
        ExtractionResult result;
        std::unique_ptr<AtomicOutputFile> file;
    };
    WrittenEntry writeEntry(const ReadOnlyFile& archiveFile, int index,
                            const OutputFolder& targetDirectory, StoredPath storedPath,
                            const std::atomic<bool>* stop = nullptr) const;

    // Streams the entry's bytes to `sink` in chunks, inflating a compressed entry; returns
    // the count written, which is less than the entry's size when the archive ends inside a
    // stored entry. Throws DamagedEntry for a compressed entry that cannot be inflated.
    using Sink = EntrySink;
    std::int64_t copyEntry(int index, const Sink& sink);

  private:
    const CatalogueEntry& entryAt(int index) const;
    ExtractionResult extractTo(int index, const OutputFolder& targetDirectory,
                               StoredPath storedPath);

    void readHeader(const LayoutUnit& unit);
    void readDirectory();

    ArchiveKind kind_ = ArchiveKind::NotOpen;
    ReadOnlyFile file_;
    const LayoutUnit* layout_ = nullptr;
    std::string header_;  // as long as the layout's header
    std::vector<CatalogueEntry> catalogue_;
};

}  // namespace kelvane
