#include "archive/pod_reader.h"

#include <optional>
#include <stdexcept>

#include "archive/archive_errors.h"
#include "archive/directory.h"
#include "archive/entry_names.h"
#include "platform/atomic_output_file.h"
#include "platform/cp1252.h"
#include "platform/visible_text.h"

namespace kelvane {
namespace {

// Upper-cased text from the last dot of the last path component, dot included.
std::string upperExtension(const std::string& fileName) {
    std::size_t componentStart = fileName.find_last_of('/');
    componentStart = componentStart == std::string::npos ? 0 : componentStart + 1;
    std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || dot < componentStart) return {};
    std::string extension = fileName.substr(dot);
    for (char& c : extension) {
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
    return extension;
}

// Stored entries larger than this are copied by the system; smaller ones go through the
// read-ahead window, which serves many of them with one read.
constexpr std::uint32_t kCopiedBySystem = 1 << 20;

}  // namespace

TPOD::TPOD(const std::string& fileName) {
    Open(fileName);
}

bool TPOD::Open(const std::string& fileName) {
    kind_ = ArchiveKind::NotOpen;
    const std::string extension = upperExtension(fileName);
    ArchiveKind kind = extension == ".POD"   ? ArchiveKind::POD
                       : extension == ".EPD" ? ArchiveKind::EPD
                                             : ArchiveKind::NotOpen;
    if (kind == ArchiveKind::NotOpen || !file_.open(fileName)) return false;
    kind_ = kind;
    return true;
}

bool TPOD::isPOD3() const {
    return kind_ == ArchiveKind::POD && layout_ != nullptr && layout_->name == "POD3";
}

const LayoutUnit& TPOD::layout() const {
    if (layout_ == nullptr) throw std::logic_error("archive header not read");
    return *layout_;
}

std::int32_t TPOD::declaredEntryCount() const {
    return std::int32_t(fieldValue(header_, layout().header.count));
}

void TPOD::readHeader(const LayoutUnit& unit) {
    if (file_.size() < unit.headerSize) {
        throw partPastTheEnd(unit.name, ArchivePart::Header, unit.headerSize, file_.size());
    }
    header_ = SequentialReader(file_, 0).read(unit.headerSize);
    layout_ = &unit;
}

void TPOD::readDirectory() {
    catalogue_.clear();
    catalogue_ = readCatalogue(layout(), header_, file_);
}

void TPOD::ReadEPDHeader() {
    for (const LayoutUnit& unit : layoutUnits()) {
        if (unit.family == ArchiveFamily::EPD) return readHeader(unit);
    }
}

void TPOD::ReadEPDDirectory() {
    readDirectory();
}

void TPOD::ReadPODHeader() {
    char first[4];
    const std::string_view tag(first, file_.readAt(0, first, sizeof first));
    // A tag names its layout even when the file is too short for it: that layout, damaged.
    // The untagged layouts bid by what the bytes describe; the older layout takes the rest.
    for (const LayoutUnit& unit : layoutUnits()) {
        if (unit.family != ArchiveFamily::POD || (!unit.tag.empty() && unit.tag != tag)) continue;
        if (unit.fits == nullptr) return readHeader(unit);
        if (file_.size() < unit.headerSize) continue;
        const std::string header = SequentialReader(file_, 0).read(unit.headerSize);
        if (unit.fits(unit, header, file_)) return readHeader(unit);
    }
}

void TPOD::ReadPODDirectory() {
    readDirectory();
}

void TPOD::ReadHeaderAndDirectory() {
    if (kind_ == ArchiveKind::EPD) {
        ReadEPDHeader();
        ReadEPDDirectory();
    } else if (kind_ == ArchiveKind::POD) {
        ReadPODHeader();
        ReadPODDirectory();
    }
}

std::unique_ptr<TPOD> openAndRead(const std::string& path) {
    auto pod = std::make_unique<TPOD>(path);
    if (pod->kind() == ArchiveKind::NotOpen) {
        throw BilingualError("ce n'est pas une archive .POD ou .EPD lisible",
                             "not a readable .POD or .EPD archive");
    }
    pod->ReadHeaderAndDirectory();
    return pod;
}

const CatalogueEntry& TPOD::entryAt(int index) const {
    if (index < 0 || std::size_t(index) >= catalogue_.size()) {
        throw std::out_of_range("Entry number " + std::to_string(index + 1) + " does not exist");
    }
    return catalogue_[std::size_t(index)];
}

std::int64_t TPOD::copyEntry(int index, const Sink& sink) {
    return readEntry(file_, entryAt(index), sink);
}

TPOD::WrittenEntry TPOD::writeEntry(const ReadOnlyFile& archiveFile, int index,
                                    const OutputFolder& targetDirectory, StoredPath storedPath,
                                    const std::atomic<bool>* stop) const {
    const CatalogueEntry& entry = entryAt(index);
    const std::vector<std::string> components =
        entryComponents(entry.name, storedPath != StoredPath::Drop);
    WrittenEntry written;
    written.file = std::make_unique<AtomicOutputFile>(
        targetDirectory, components, storedPath == StoredPath::KeepAndCreateLevels);
    AtomicOutputFile& output = *written.file;
    ExtractionResult& result = written.result;
    result.path = output.path();
    // A large stored entry is copied by the system, file to file; it stops where the archive
    // ends, as the reads would.
    std::optional<std::int64_t> copied;
    if (!entry.compressed && entry.storedSize > kCopiedBySystem)
        copied = output.copyFrom(archiveFile.descriptor(), entry.offset, entry.storedSize);
    result.written =
        copied ? *copied : readEntry(archiveFile, entry, [&](const char* data, std::size_t size) {
            if (stop != nullptr && stop->load(std::memory_order_relaxed)) {
                output.abandon();  // the folders made for it go too
                throw EntryAbandoned();
            }
            output.write(data, size);
        });
    result.truncated = result.written < entry.size;
    return written;
}

ExtractionResult TPOD::extractTo(int index, const OutputFolder& targetDirectory,
                                 StoredPath storedPath) {
    WrittenEntry written = writeEntry(file_, index, targetDirectory, storedPath);
    written.file->commit();
    return written.result;
}

ExtractionResult TPOD::ExtractionPOD(int index, const OutputFolder& targetDirectory,
                                     StoredPath storedPath) {
    return extractTo(index, targetDirectory, storedPath);
}

ExtractionResult TPOD::ExtractionEPD(int index, const OutputFolder& targetDirectory,
                                     StoredPath storedPath) {
    return extractTo(index, targetDirectory, storedPath);
}

ExtractionResult TPOD::Extract(int index, const OutputFolder& targetDirectory,
                               StoredPath storedPath) {
    return kind_ == ArchiveKind::EPD ? ExtractionEPD(index, targetDirectory, storedPath)
                                     : ExtractionPOD(index, targetDirectory, storedPath);
}

}  // namespace kelvane
