#include "archive/pod_reader.h"

#include <array>
#include <cstring>
#include <stdexcept>

#include "archive/entry_names.h"
#include "platform/atomic_output_file.h"
#include "platform/cp1252.h"
#include "platform/little_endian.h"

namespace kelvane {
namespace {

constexpr std::size_t kEpdHeaderSize = 272;
constexpr std::size_t kEpdCountOffset = 260;
constexpr std::size_t kEpdRecordSize = 80;
constexpr std::size_t kEpdNameSize = 64;

constexpr std::size_t kPodHeaderSize = 96;
constexpr std::size_t kPod3ExtraHeaderSize = 192;
constexpr std::size_t kPodCountOffset = 88;
constexpr std::size_t kPod3DirectoryOffset = 264;
constexpr std::size_t kPodRecordSize = 20;

constexpr std::size_t kCopyChunk = 64 * 1024;

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

// An entry count the file cannot hold fails before anything is sized: each entry needs at
// least `bytesPerEntry` bytes of directory after `reader`'s position.
void checkEntryCount(std::int32_t count, std::size_t bytesPerEntry,
                     const SequentialReader& reader) {
    if (count < 0 || std::int64_t(count) * std::int64_t(bytesPerEntry) > reader.remaining()) {
        throw std::runtime_error(kStreamReadError);
    }
}

CatalogueEntry entryFromRecord(const char* sizeOffsetTimestamp, int index) {
    CatalogueEntry entry;
    entry.size = std::int32_t(readLittle32(sizeOffsetTimestamp));
    entry.offset = std::int32_t(readLittle32(sizeOffsetTimestamp + 4));
    entry.timestamp = readLittle32(sizeOffsetTimestamp + 8);
    entry.index = index;
    return entry;
}

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
    return kind_ == ArchiveKind::POD && header_.compare(0, 4, "POD3") == 0;
}

std::int32_t TPOD::headerInt(std::size_t offset) const {
    if (header_.size() < offset + 4) throw std::logic_error("archive header not read");
    return std::int32_t(readLittle32(header_.data() + offset));
}

std::int32_t TPOD::declaredEntryCount() const {
    return headerInt(kind_ == ArchiveKind::EPD ? kEpdCountOffset : kPodCountOffset);
}

void TPOD::ReadEPDHeader() {
    SequentialReader reader(file_, 0);
    header_ = reader.read(kEpdHeaderSize);
}

void TPOD::ReadEPDDirectory() {
    SequentialReader reader(file_, kEpdHeaderSize);
    const std::int32_t count = declaredEntryCount();
    checkEntryCount(count, kEpdRecordSize, reader);
    const std::string records = reader.read(std::size_t(count) * kEpdRecordSize);
    catalogue_.clear();
    catalogue_.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        const char* record = records.data() + std::size_t(i) * kEpdRecordSize;
        CatalogueEntry entry = entryFromRecord(record + kEpdNameSize, i);
        entry.name.assign(record, strnlen(record, kEpdNameSize));
        catalogue_.push_back(std::move(entry));
    }
}

void TPOD::ReadPODHeader() {
    SequentialReader reader(file_, 0);
    header_ = reader.read(kPodHeaderSize);
    if (header_.compare(0, 4, "POD3") == 0) header_ += reader.read(kPod3ExtraHeaderSize);
}

void TPOD::ReadPODDirectory() {
    const std::int64_t directory =
        isPOD3() ? std::int64_t(std::uint32_t(headerInt(kPod3DirectoryOffset))) : kPodHeaderSize;
    SequentialReader reader(file_, directory);
    const std::int32_t count = declaredEntryCount();
    // A record and at least the NUL of its name.
    checkEntryCount(count, kPodRecordSize + 1, reader);
    const std::string records = reader.read(std::size_t(count) * kPodRecordSize);
    catalogue_.clear();
    catalogue_.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i) {
        catalogue_.push_back(
            entryFromRecord(records.data() + std::size_t(i) * kPodRecordSize + 4, i));
    }
    for (CatalogueEntry& entry : catalogue_) entry.name = reader.readNulTerminated();
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

std::string cutShortMessage(const CatalogueEntry& entry, std::int64_t written) {
    const std::string name = cp1252ToUtf8(entry.name);
    const std::string done = std::to_string(written) + " ";
    const std::string size = std::to_string(entry.size);
    return "L'entrée \"" + name + "\" est coupée par la fin de l'archive : " + done +
           "octets sur " + size + " écrits.\r\nEntry \"" + name +
           "\" is cut short by the end of the archive: " + done + "of " + size + " bytes written.";
}

const CatalogueEntry& TPOD::entryAt(int index) const {
    if (index < 0 || std::size_t(index) >= catalogue_.size()) {
        throw std::out_of_range("Entry number " + std::to_string(index + 1) + " does not exist");
    }
    return catalogue_[std::size_t(index)];
}

std::int64_t TPOD::copyEntry(int index, const Sink& sink) {
    const CatalogueEntry& entry = entryAt(index);
    std::array<char, kCopyChunk> buffer;
    std::int64_t done = 0;
    if (entry.offset < 0) return done;  // nothing of the archive lies there
    while (done < entry.size) {
        const std::size_t wanted =
            std::size_t(std::min<std::int64_t>(kCopyChunk, entry.size - done));
        const std::size_t got = file_.readAt(entry.offset + done, buffer.data(), wanted);
        if (got > 0) sink(buffer.data(), got);
        done += std::int64_t(got);
        if (got < wanted) break;  // the archive ends inside the entry
    }
    return done;
}

ExtractionResult TPOD::extractTo(int index, const std::string& targetDirectory,
                                 StoredPath storedPath) {
    const CatalogueEntry& entry = entryAt(index);
    const std::vector<std::string> components = safeComponents(
        storedPath == StoredPath::Drop ? filePart(entry.name) : std::string_view(entry.name));
    AtomicOutputFile output(targetDirectory, components,
                            storedPath == StoredPath::KeepAndCreateLevels);
    ExtractionResult result;
    result.path = output.path();
    result.written =
        copyEntry(index, [&](const char* data, std::size_t size) { output.write(data, size); });
    result.truncated = result.written < std::int64_t(std::max(entry.size, 0));
    output.commit();
    return result;
}

ExtractionResult TPOD::ExtractionPOD(int index, const std::string& targetDirectory,
                                     StoredPath storedPath) {
    return extractTo(index, targetDirectory, storedPath);
}

ExtractionResult TPOD::ExtractionEPD(int index, const std::string& targetDirectory,
                                     StoredPath storedPath) {
    return extractTo(index, targetDirectory, storedPath);
}

ExtractionResult TPOD::Extract(int index, const std::string& targetDirectory,
                               StoredPath storedPath) {
    return kind_ == ArchiveKind::EPD ? ExtractionEPD(index, targetDirectory, storedPath)
                                     : ExtractionPOD(index, targetDirectory, storedPath);
}

}  // namespace kelvane
