#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/read_only_file.h"

namespace kelvane {

enum class ArchiveKind { NotOpen = 0, EPD = 1, POD = 2 };

// One stored file of an archive as the listing shows it. `name` is the stored name in
// Windows-1252 bytes, possibly with a directory part.
struct CatalogueEntry {
    std::string name;
    std::int32_t size = 0;
    std::int32_t offset = 0;
    std::uint32_t timestamp = 0;
    int index = 0;  // position in the directory, 0-based
};

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

// Names an entry that the archive ends inside of, with the bytes written and expected
// (French, a line break, English).
std::string cutShortMessage(const CatalogueEntry& entry, std::int64_t written);

// One open POD or EPD archive: its header, directory and names, and the open file from
// which entries are copied out. The archive is opened for reading only.
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
    void ReadPODHeader();
    void ReadPODDirectory();
    // The header and directory reads in the order the kind needs.
    void ReadHeaderAndDirectory();

    // Entry count as the header states it.
    std::int32_t declaredEntryCount() const;
    const std::vector<CatalogueEntry>& catalogue() const { return catalogue_; }

    // Copies entry `index` into `targetDirectory` (ends with a separator). Throws
    // std::runtime_error with "Cannot create file %s" when the output cannot be made, and
    // UnsafeEntryName when the stored name would leave the target directory.
    ExtractionResult ExtractionPOD(int index, const std::string& targetDirectory,
                                   StoredPath storedPath);
    ExtractionResult ExtractionEPD(int index, const std::string& targetDirectory,
                                   StoredPath storedPath);
    // The extraction that fits the archive's kind.
    ExtractionResult Extract(int index, const std::string& targetDirectory, StoredPath storedPath);

    // Streams the entry's bytes to `sink` in chunks; returns the count written, which is
    // less than the entry's size when the archive ends early.
    using Sink = std::function<void(const char* data, std::size_t size)>;
    std::int64_t copyEntry(int index, const Sink& sink);

  private:
    const CatalogueEntry& entryAt(int index) const;
    ExtractionResult extractTo(int index, const std::string& targetDirectory,
                               StoredPath storedPath);

    std::int32_t headerInt(std::size_t offset) const;

    ArchiveKind kind_ = ArchiveKind::NotOpen;
    ReadOnlyFile file_;
    std::string header_;  // 272 bytes (EPD), 96 or 288 bytes (POD)
    std::vector<CatalogueEntry> catalogue_;
};

}  // namespace kelvane
