#include "tests/support/archive_builder.h"

#include <zlib.h>

#include <stdexcept>

#include "archive/crc32_mpeg2.h"
#include "archive/pod_reader.h"
#include "tests/support/temp_dir.h"

namespace kelvane::test {
namespace {

void put32(std::string& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + std::size_t(i)] = char(value >> (8 * i));
}

void putText(std::string& bytes, std::size_t offset, std::size_t width, const std::string& text) {
    std::string field = text.substr(0, width);
    field.resize(width, '\0');
    bytes.replace(offset, width, field);
}

bool compresses(ArchiveLayout layout) {
    return layout == ArchiveLayout::POD4 || layout == ArchiveLayout::POD5 ||
           layout == ArchiveLayout::POD6;
}

// One entry as the archive stores it.
struct Prepared {
    std::string stored;
    std::uint32_t size = 0;  // inflated
    std::uint32_t flag = 0;
    std::uint32_t checksum = 0;
    std::uint32_t timestamp = 0;
    std::string name;
};

class Builder {
  public:
    Builder(ArchiveLayout layout, const std::vector<StoredFile>& files,
            const ArchiveOptions& options)
        : layout_(layout), options_(options) {
        for (const StoredFile& file : files) {
            Prepared entry;
            const bool compressed = compresses(layout) && file.compress;
            entry.stored = compressed ? deflateBytes(file.data, options.compression, options.level)
                                      : file.data;
            entry.size = std::uint32_t(file.data.size());
            entry.flag = compressed ? 8 : 0;
            entry.checksum = checksum(options.checksumInflated ? file.data : entry.stored);
            entry.timestamp = file.timestamp;
            entry.name = file.name;
            entries_.push_back(std::move(entry));
        }
    }

    std::string build() const {
        switch (layout_) {
            case ArchiveLayout::POD1:
                return pod1();
            case ArchiveLayout::EPD:
                return epd();
            case ArchiveLayout::POD:
                return pod2();
            case ArchiveLayout::POD3:
            case ArchiveLayout::POD4:
            case ArchiveLayout::POD5:
                return pod3Family();
            case ArchiveLayout::POD6:
                return pod6();
        }
        return {};
    }

  private:
    std::uint32_t checksum(std::string_view bytes) const {
        return crc32Mpeg2(bytes) ^ (options_.badChecksums ? 1u : 0u);
    }
    std::uint32_t count() const { return std::uint32_t(entries_.size()); }
    std::size_t storedBytes() const {
        std::size_t total = 0;
        for (const Prepared& entry : entries_) total += entry.stored.size();
        return total;
    }
    std::string data() const {
        std::string bytes;
        for (const Prepared& entry : entries_) bytes += entry.stored;
        return bytes;
    }
    std::string nameTable() const {
        std::string table;
        for (const Prepared& entry : entries_) table += entry.name + '\0';
        return table;
    }
    std::string auditRecords() const {
        std::string bytes;
        for (const AuditRecord& record : options_.audit) {
            std::string one(312, '\0');
            putText(one, 0, 32, record.user);
            put32(one, 32, record.time);
            put32(one, 36, record.action);
            putText(one, 40, 256, record.path);
            put32(one, 296, record.oldTime);
            put32(one, 300, record.oldSize);
            put32(one, 304, record.newTime);
            put32(one, 308, record.newSize);
            bytes += one;
        }
        return bytes;
    }

    // Records of `size` bytes (uninterpreted bytes are not zero on purpose); `fill` sets the
    // fields of one record given its data offset and name offset.
    template <class Fill>
    std::string records(std::size_t size, std::uint32_t dataOffset, Fill fill) const {
        std::string bytes;
        std::uint32_t nameOffset = 0;
        for (const Prepared& entry : entries_) {
            std::string record(size, '\x5A');
            fill(record, entry, dataOffset, nameOffset);
            bytes += record;
            dataOffset += std::uint32_t(entry.stored.size());
            nameOffset += std::uint32_t(entry.name.size() + 1);
        }
        return bytes;
    }

    std::string pod1() const {
        std::string bytes(84, '\0');
        put32(bytes, 0, count());
        putText(bytes, 4, 80, options_.comment);
        bytes += records(
            40, std::uint32_t(84 + 40 * entries_.size()),
            [](std::string& record, const Prepared& entry, std::uint32_t offset, std::uint32_t) {
                putText(record, 0, 32, entry.name);
                put32(record, 32, entry.size);
                put32(record, 36, offset);
            });
        return bytes + data();
    }

    std::string epd() const {
        std::string bytes(272, '\x11');
        bytes.replace(0, 4, "dtxe");
        putText(bytes, 4, 256, options_.comment);
        put32(bytes, 260, count());
        put32(bytes, 264, options_.version);
        bytes += records(
            80, std::uint32_t(272 + 80 * entries_.size()),
            [](std::string& record, const Prepared& entry, std::uint32_t offset, std::uint32_t) {
                putText(record, 0, 64, entry.name);
                put32(record, 64, entry.size);
                put32(record, 68, offset);
                put32(record, 72, entry.timestamp);
                put32(record, 76, entry.checksum);
            });
        bytes += data();
        put32(bytes, 268, checksum(std::string_view(bytes).substr(272)));
        return bytes;
    }

    // The 20-byte record of POD2 and POD3.
    static void pod2Record(std::string& record, const Prepared& entry, std::uint32_t offset,
                           std::uint32_t nameOffset) {
        put32(record, 0, nameOffset);
        put32(record, 4, entry.size);
        put32(record, 8, offset);
        put32(record, 12, entry.timestamp);
        put32(record, 16, entry.checksum);
    }

    std::string pod2() const {
        std::string bytes(96, '\x22');
        bytes.replace(0, 4, "POD2");
        putText(bytes, 8, 80, options_.comment);
        put32(bytes, 88, count());
        put32(bytes, 92, std::uint32_t(options_.audit.size()));
        const std::string names = nameTable();
        bytes += records(20, std::uint32_t(96 + 20 * entries_.size() + names.size()), pod2Record);
        bytes += names + data() + auditRecords();
        put32(bytes, 4, checksum(std::string_view(bytes).substr(8)));
        return bytes;
    }

    std::string pod3Family() const {
        const bool pod5 = layout_ == ArchiveLayout::POD5;
        const std::size_t recordSize = layout_ == ArchiveLayout::POD3 ? 20 : 28;
        std::string header(pod5 ? 292 : 288, '\x22');
        header.replace(0, 4, layout_ == ArchiveLayout::POD3 ? "POD3" : pod5 ? "POD5" : "POD4");
        putText(header, 0x08, 80, options_.comment);
        put32(header, 0x58, count());
        put32(header, 0x5C, std::uint32_t(options_.audit.size()));
        put32(header, 0x60, options_.revision);
        put32(header, 0x64, options_.priority);
        putText(header, 0x68, 80, options_.author);
        putText(header, 0xB8, 80, options_.copyright);
        if (pod5) put32(header, 0x120, options_.nextArchive);
        // Some filler between the header and the directory.
        const std::size_t directory = 300;
        const std::string names = nameTable();
        const std::string dependencies(std::size_t(options_.dependencies) * 264, '\x44');
        const std::string audit = auditRecords();
        const auto dataOffset = std::uint32_t(directory + recordSize * entries_.size() +
                                              names.size() + dependencies.size() + audit.size());
        const std::string directoryBytes =
            recordSize == 20 ? records(20, dataOffset, pod2Record)
                             : records(28, dataOffset,
                                       [](std::string& record, const Prepared& entry,
                                          std::uint32_t offset, std::uint32_t nameOffset) {
                                           put32(record, 0, nameOffset);
                                           put32(record, 4, std::uint32_t(entry.stored.size()));
                                           put32(record, 8, offset);
                                           put32(record, 12, entry.size);
                                           put32(record, 16, entry.flag);
                                           put32(record, 20, entry.timestamp);
                                           put32(record, 24, entry.checksum);
                                       });
        put32(header, 0x108, std::uint32_t(directory));
        put32(header, 0x10C, checksum(directoryBytes));
        put32(header, 0x110, std::uint32_t(names.size()));
        put32(header, 0x114, std::uint32_t(options_.dependencies));
        put32(header, 0x118, checksum(dependencies));
        put32(header, 0x11C, checksum(audit));
        put32(header, 0x04, checksum(std::string_view(header).substr(8, 280)));
        header.resize(directory, '\x33');
        return header + directoryBytes + names + dependencies + audit + data();
    }

    std::string pod6() const {
        std::string bytes(20, '\0');
        bytes.replace(0, 4, "POD6");
        put32(bytes, 4, count());
        put32(bytes, 8, options_.version);
        const std::string names = nameTable();
        put32(bytes, 12, std::uint32_t(20 + storedBytes()));
        put32(bytes, 16, std::uint32_t(names.size()));
        const std::string directory =
            records(24, 20,
                    [](std::string& record, const Prepared& entry, std::uint32_t offset,
                       std::uint32_t nameOffset) {
                        put32(record, 0, nameOffset);
                        put32(record, 4, std::uint32_t(entry.stored.size()));
                        put32(record, 8, offset);
                        put32(record, 12, entry.size);
                        put32(record, 16, entry.flag);
                        put32(record, 20, 0);
                    });
        return bytes + data() + directory + names;
    }

    ArchiveLayout layout_;
    const ArchiveOptions& options_;
    std::vector<Prepared> entries_;
};

}  // namespace

std::string deflateBytes(const std::string& data, Compression compression, int level) {
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED,
                     compression == Compression::Zlib ? MAX_WBITS : -MAX_WBITS, 8,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    std::string out(deflateBound(&stream, uLong(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    const int status = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END) throw std::runtime_error("deflate");
    return out;
}

std::string buildArchive(ArchiveLayout layout, const std::vector<StoredFile>& files,
                         const ArchiveOptions& options) {
    return Builder(layout, files, options).build();
}

StoredContents storedContents(TPOD& archive) {
    StoredContents contents;
    for (const CatalogueEntry& entry : archive.catalogue()) {
        std::string bytes;
        archive.copyEntry(entry.index,
                          [&](const char* data, std::size_t size) { bytes.append(data, size); });
        contents.emplace_back(entry.name, bytes);
    }
    return contents;
}

void writeArchive(const std::filesystem::path& path, ArchiveLayout layout,
                  const std::vector<StoredFile>& files, const ArchiveOptions& options) {
    writeFile(path, buildArchive(layout, files, options));
}

std::string noisyText(std::size_t size) {
    std::string text(size, ' ');
    std::uint32_t state = 12345;
    for (char& c : text) {
        state = state * 1103515245u + 12345u;
        c = "abcdefghijklmnop"[(state >> 16) & 15];
    }
    return text;
}

}  // namespace kelvane::test
