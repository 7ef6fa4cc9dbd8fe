#include <gtest/gtest.h>

#include <random>

#include "archive/archive_details.h"
#include "archive/archive_errors.h"
#include "archive/crc32_mpeg2.h"
#include "archive/pod_reader.h"
#include "archive/verification.h"
#include "platform/little_endian.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::ArchiveLayout;
using test::ArchiveOptions;
using test::Compression;

void put32(std::string& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + std::size_t(i)] = char(value >> (8 * i));
}

std::uint32_t readLittle(const std::string& bytes, std::size_t offset) {
    return readLittle32(bytes.data() + offset);
}

std::string contents(TPOD& pod, int index) {
    std::string bytes;
    pod.copyEntry(index, [&](const char* data, std::size_t size) { bytes.append(data, size); });
    return bytes;
}

VerificationReport verify(const TPOD& pod) {
    return verifyArchive(pod, [](std::int64_t, std::int64_t) { return true; });
}

// Two chunks' worth of text, an entry kept stored, a small one and an empty one.
const std::vector<test::StoredFile> kFiles = {
    {"DATA\\big.txt", std::string(150000, 'x') + "end", 1000},
    {"plain.bin", "stored as is", 2000, false},
    {"a:b.txt", "abc", 3000},
    {"empty", "", 4000},
};

TEST(Crc32Mpeg2, CheckValuesAndChunking) {
    const std::pair<std::string, std::uint32_t> cases[] = {{"123456789", 0x0376E6E7u},
                                                           {"", 0xFFFFFFFFu},
                                                           {std::string(1, '\0'), 0x4E08BFB4u},
                                                           {"a", 0xE66C6494u},
                                                           {std::string(280, '\0'), 0xC954A0DEu}};
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(crc32Mpeg2(bytes), expected) << bytes.size() << " bytes";
        Crc32Mpeg2 pieces;
        for (char c : bytes) pieces.update(&c, 1);
        EXPECT_EQ(pieces.value(), expected);
        // Joined from any split, including an empty half.
        for (std::size_t split : {std::size_t(0), bytes.size() / 3, bytes.size()}) {
            const std::string_view view(bytes);
            EXPECT_EQ(crc32Mpeg2Concat(crc32Mpeg2(view.substr(0, split)),
                                       crc32Mpeg2(view.substr(split)), bytes.size() - split),
                      expected)
                << bytes.size() << " bytes split at " << split;
        }
    }
}

struct LayoutCase {
    ArchiveLayout layout;
    Compression compression;
    const char* name;
    bool timestamps;
    bool checksums;
    int compressed;  // entries stored as deflate streams
};

// Names the case in test output (printing its bytes would show the struct's padding).
void PrintTo(const LayoutCase& c, std::ostream* out) {
    *out << c.name;
}

class EveryLayout : public ::testing::TestWithParam<LayoutCase> {
  protected:
    std::string write(const ArchiveOptions& options) {
        const std::string path =
            (dir.path() / (GetParam().layout == ArchiveLayout::EPD ? "a.epd" : "a.pod")).string();
        ArchiveOptions withCompression = options;
        withCompression.compression = GetParam().compression;
        test::writeArchive(path, GetParam().layout, kFiles, withCompression);
        return path;
    }
    test::TempDir dir;
};

TEST_P(EveryLayout, ListsInflatesAndVerifies) {
    const LayoutCase& c = GetParam();
    TPOD pod(write({}));
    pod.ReadHeaderAndDirectory();
    EXPECT_EQ(pod.layout().name, c.name);
    ASSERT_EQ(pod.catalogue().size(), kFiles.size());
    int compressed = 0;
    for (const CatalogueEntry& entry : pod.catalogue()) {
        const test::StoredFile& file = kFiles[std::size_t(entry.index)];
        EXPECT_EQ(entry.name, file.name);
        EXPECT_EQ(entry.size, std::int32_t(file.data.size()));
        EXPECT_EQ(entry.hasTimestamp, c.timestamps);
        EXPECT_EQ(entry.timestamp, c.timestamps ? file.timestamp : 0u);
        EXPECT_EQ(contents(pod, entry.index), file.data);
        compressed += entry.compressed;
    }
    EXPECT_EQ(compressed, c.compressed);
    EXPECT_EQ(archiveDetails(pod).compressedEntries, c.compressed);

    const VerificationReport sound = verify(pod);
    EXPECT_TRUE(sound.allHold()) << sound.summaryEnglish();
    EXPECT_EQ(sound.hasChecksums, c.checksums);
    EXPECT_EQ(sound.matchedStored, c.checksums ? 4 : 0);

    // Checksums over the inflated bytes match on those; every field written wrong fails.
    if (!c.checksums) return;
    ArchiveOptions inflated;
    inflated.checksumInflated = true;
    TPOD other(write(inflated));
    other.ReadHeaderAndDirectory();
    const VerificationReport onInflated = verify(other);
    EXPECT_TRUE(onInflated.allHold()) << onInflated.summaryEnglish();
    EXPECT_EQ(onInflated.matchedInflated, c.compressed);

    ArchiveOptions bad;
    bad.badChecksums = true;
    TPOD damaged(write(bad));
    damaged.ReadHeaderAndDirectory();
    const VerificationReport failing = verify(damaged);
    EXPECT_EQ(failing.failures.size(), std::size_t(failing.checked));
    EXPECT_EQ(failing.failures.back().entry, 3);
    EXPECT_NE(failing.failures.back().english.find("\"empty\""), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, EveryLayout,
    ::testing::Values(
        LayoutCase{ArchiveLayout::POD1, Compression::Zlib, "POD1", false, false, 0},
        LayoutCase{ArchiveLayout::EPD, Compression::Zlib, "EPD", true, true, 0},
        LayoutCase{ArchiveLayout::POD, Compression::Zlib, "POD2", true, true, 0},
        LayoutCase{ArchiveLayout::POD3, Compression::Zlib, "POD3", true, true, 0},
        LayoutCase{ArchiveLayout::POD4, Compression::Zlib, "POD4", true, true, 3},
        LayoutCase{ArchiveLayout::POD4, Compression::RawDeflate, "POD4", true, true, 3},
        LayoutCase{ArchiveLayout::POD5, Compression::RawDeflate, "POD5", true, true, 3},
        LayoutCase{ArchiveLayout::POD6, Compression::Zlib, "POD6", false, false, 3},
        LayoutCase{ArchiveLayout::POD6, Compression::RawDeflate, "POD6", false, false, 3}),
    [](const auto& info) {
        return std::string(info.param.name) +
               (info.param.compression == Compression::Zlib ? "Zlib" : "Raw");
    });

TEST(ArchiveDetails, HeaderFieldsAuditTrailAndDependencies) {
    test::TempDir dir;
    ArchiveOptions options;
    options.audit = {{"pilot", 100, 0, "ART\\new.tga", 0, 0, 100, 12},
                     {"editor", 200, 2, "readme.txt", 50, 5, 200, 9}};
    options.dependencies = 2;
    for (ArchiveLayout layout : {ArchiveLayout::POD, ArchiveLayout::POD3, ArchiveLayout::POD5}) {
        const std::string path = (dir.path() / "d.pod").string();
        test::writeArchive(path, layout, kFiles, options);
        TPOD pod(path);
        pod.ReadHeaderAndDirectory();
        const ArchiveDetails details = archiveDetails(pod);
        EXPECT_EQ(details.comment, "Test archive");
        EXPECT_EQ(details.auditRecords, 2u);
        const auto trail = auditTrail(pod);
        ASSERT_EQ(trail.size(), 2u);
        EXPECT_EQ(trail[1].user, "editor");
        EXPECT_EQ(trail[1].path, "readme.txt");
        EXPECT_EQ(trail[1].oldSize, 5u);
        EXPECT_EQ(trail[1].newTime, 200u);
        EXPECT_TRUE(verify(pod).allHold()) << details.layout;
        if (layout == ArchiveLayout::POD) continue;
        EXPECT_EQ(details.author, "Kelvane tests");
        EXPECT_EQ(details.copyright, "(c) nobody");
        EXPECT_EQ(details.revision, 3u);
        EXPECT_EQ(details.priority, 7u);
        EXPECT_EQ(details.dependencyRecords, 2u);
        EXPECT_EQ(details.nextArchive.has_value(), layout == ArchiveLayout::POD5);
    }
}

// Builds `layout`, lets `damage` change the bytes, and reports which layout reads them
// ("error" when the header or directory cannot be read).
std::string layoutRead(ArchiveLayout layout, const std::function<void(std::string&)>& damage) {
    test::TempDir dir;
    std::string bytes = test::buildArchive(layout, kFiles);
    damage(bytes);
    test::writeFile(dir.path() / "x.pod", bytes);
    TPOD pod((dir.path() / "x.pod").string());
    try {
        pod.ReadHeaderAndDirectory();
    } catch (const std::runtime_error&) {
        return "error";
    }
    return std::string(pod.layout().name);
}

TEST(LayoutDetection, EdgesOfTheRule) {
    const auto none = [](std::string&) {};
    EXPECT_EQ(layoutRead(ArchiveLayout::POD1, none), "POD1");
    // Any unknown tag keeps the older layout.
    EXPECT_EQ(layoutRead(ArchiveLayout::POD, [](std::string& b) { b.replace(0, 4, "XYZW"); }),
              "POD2");
    // A tag that is a small count, but no POD1 directory behind it.
    EXPECT_EQ(layoutRead(ArchiveLayout::POD, [](std::string& b) { put32(b, 0, 2); }), "POD2");
    // A POD1 whose count is one more than its directory holds is no POD1.
    EXPECT_EQ(layoutRead(ArchiveLayout::POD1, [](std::string& b) { put32(b, 0, 5); }), "error");
    // A POD1 name with a control character.
    EXPECT_EQ(layoutRead(ArchiveLayout::POD1, [](std::string& b) { b[84] = '\x07'; }), "error");
    // A tagged layout whose directory or name table lies past the end is that layout, damaged:
    // never the older reading, whose fields do not line up with its own.
    EXPECT_EQ(layoutRead(ArchiveLayout::POD6, [](std::string& b) { put32(b, 12, 0xFFFFFF00u); }),
              "error");
    EXPECT_EQ(layoutRead(ArchiveLayout::POD4, [](std::string& b) { put32(b, 0x110, 1u << 30); }),
              "error");
    // "POD4" over POD3-sized records: the 28-byte reading finds a name outside its table.
    EXPECT_EQ(layoutRead(ArchiveLayout::POD3, [](std::string& b) { b.replace(0, 4, "POD4"); }),
              "error");
    // "POD3" still picks POD3 on its tag alone.
    EXPECT_EQ(layoutRead(ArchiveLayout::POD3, none), "POD3");
}

TEST(LayoutDetection, RandomBytesNeverFoolThePod1Test) {
    std::mt19937 random(15);
    test::TempDir dir;
    const std::string path = (dir.path() / "r.pod").string();
    for (int round = 0; round < 200; ++round) {
        std::string bytes(84 + random() % 400, '\0');
        for (char& c : bytes) c = char(random() % 3 == 0 ? 0 : 0x20 + random() % 90);
        put32(bytes, 0, 1 + random() % 3);
        test::writeFile(path, bytes);
        TPOD pod(path);
        try {
            pod.ReadHeaderAndDirectory();
        } catch (const std::runtime_error&) {
            continue;
        }
        for (const CatalogueEntry& entry : pod.catalogue()) {
            std::int64_t copied = 0;
            try {
                copied = pod.copyEntry(entry.index, [](const char*, std::size_t) {});
            } catch (const DamagedEntry&) {
                continue;
            }
            if (pod.layout().name == "POD1") {
                EXPECT_EQ(copied, entry.size);
            }
        }
    }
}

TEST(CompressedEntries, DamagedStreamsAreNamedAndNothingIsLeft) {
    // The first record: POD4's at 300, POD6's where its header says. Both hold the stored size
    // at 4, the data offset at 8 and the uncompressed size at 12.
    struct Case {
        const char* what;
        std::function<void(std::string&, std::size_t first)> damage;
        const char* message;
    };
    const Case cases[] = {
        {"huge size from a tiny stream",
         [](std::string& b, std::size_t first) { put32(b, first + 12, 0xFFFFFFF0u); },
         "bytes instead of 4294967280"},
        {"smaller size than the stream",
         [](std::string& b, std::size_t first) { put32(b, first + 12, 1000); },
         "more than its 1000 bytes"},
        {"stream cut short", [](std::string& b, std::size_t first) { put32(b, first + 4, 40); },
         "ends early"},
        {"corrupt stream",
         [](std::string& b, std::size_t first) {
             const std::size_t data = readLittle(b, first + 8);
             for (std::size_t i = 2; i < 40; ++i) b[data + i] = char(0xFF);
         },
         "corrupt"},
    };
    test::TempDir dir;
    const std::string path = (dir.path() / "bad.pod").string();
    for (const ArchiveLayout layout : {ArchiveLayout::POD4, ArchiveLayout::POD6})
        for (const Case& c : cases) {
            std::string bytes = test::buildArchive(layout, kFiles);
            c.damage(bytes, layout == ArchiveLayout::POD4 ? 300 : readLittle(bytes, 12));
            test::writeFile(path, bytes);
            TPOD pod(path);
            pod.ReadHeaderAndDirectory();
            test::TempDir out;
            try {
                pod.Extract(0, out.withSeparator(), StoredPath::Drop);
                ADD_FAILURE() << c.what;
            } catch (const DamagedEntry& error) {
                EXPECT_NE(error.english().find("DATA\\big.txt"), std::string::npos) << c.what;
                EXPECT_NE(error.english().find(c.message), std::string::npos) << error.english();
            }
            EXPECT_TRUE(std::filesystem::is_empty(out.path())) << c.what;
            EXPECT_EQ(contents(pod, 2), "abc");
            // Checksums or none, verify inflates the entry and names it.
            const VerificationReport report = verify(pod);
            ASSERT_FALSE(report.failures.empty()) << c.what;
            EXPECT_EQ(report.failures.back().english.rfind("Entry 1 \"DATA\\big.txt\" ", 0), 0u)
                << report.failures.back().english;
            EXPECT_NE(report.failures.back().english.find(c.message), std::string::npos);
        }
}

TEST(HostileDirectories, ClearErrors) {
    // A name offset past the table (POD6 records start after the data).
    std::string pod6 = test::buildArchive(ArchiveLayout::POD6, kFiles);
    put32(pod6, readLittle(pod6, 12), 5000);
    test::TempDir dir;
    test::writeFile(dir.path() / "n.pod", pod6);
    TPOD names((dir.path() / "n.pod").string());
    EXPECT_THROW(names.ReadHeaderAndDirectory(), DamagedArchive);

    // A POD3 directory past the end of the file.
    std::string pod3 = test::buildArchive(ArchiveLayout::POD3, kFiles);
    put32(pod3, 0x108, std::uint32_t(pod3.size() + 10));
    test::writeFile(dir.path() / "d.pod", pod3);
    TPOD directory((dir.path() / "d.pod").string());
    EXPECT_THROW(directory.ReadHeaderAndDirectory(), std::runtime_error);

    // Audit records that the file cannot hold.
    std::string pod2 = test::buildArchive(ArchiveLayout::POD, kFiles);
    put32(pod2, 92, 0x10000000u);
    test::writeFile(dir.path() / "a.pod", pod2);
    TPOD audit((dir.path() / "a.pod").string());
    audit.ReadHeaderAndDirectory();
    EXPECT_THROW(auditTrail(audit), DamagedArchive);
    EXPECT_FALSE(verify(audit).allHold());
}

}  // namespace
}  // namespace kelvane
