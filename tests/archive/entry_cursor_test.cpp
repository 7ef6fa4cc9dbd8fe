#include "archive/entry_cursor.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "archive/archive_errors.h"
#include "archive/cursor_pool.h"
#include "archive/pod_reader.h"
#include "archive/restart_index.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::ArchiveLayout;

// Bytes that deflate only in part, so that a stream spans many input chunks.
std::string sampleBytes(std::size_t size) {
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = (i / 8) % 2 ? char(i / 100) : char(random());
    return bytes;
}

struct Opened {
    test::TempDir dir;
    std::unique_ptr<TPOD> pod;

    Opened(ArchiveLayout layout, const std::vector<test::StoredFile>& files,
           test::ArchiveOptions options = {}) {
        const std::string path = (dir.path() / "a.pod").string();
        test::writeArchive(path, layout, files, options);
        pod = std::make_unique<TPOD>(path);
        pod->ReadHeaderAndDirectory();
    }
    const CatalogueEntry& entry(int index) const { return pod->catalogue()[std::size_t(index)]; }
};

std::string readAt(EntryCursor& cursor, std::int64_t offset, std::size_t count) {
    std::string bytes(count, '\0');
    bytes.resize(cursor.read(offset, bytes.data(), count));
    return bytes;
}

TEST(EntryCursor, RandomAccessToStoredAndCompressedEntries) {
    const std::string data = sampleBytes(1'500'000);
    struct Case {
        ArchiveLayout layout;
        test::Compression compression;
    };
    for (const Case& c : {Case{ArchiveLayout::POD3, test::Compression::Zlib},
                          {ArchiveLayout::POD5, test::Compression::Zlib},
                          {ArchiveLayout::POD6, test::Compression::RawDeflate}}) {
        test::ArchiveOptions options;
        options.compression = c.compression;
        Opened archive(c.layout, {{"small.txt", "abc"}, {"big.bin", data}}, options);
        EntryCursor cursor(archive.pod->file(), archive.entry(1));
        EXPECT_EQ(cursor.size(), std::int64_t(data.size()));
        // Sequential reads of the size the kernel asks, then seeks both ways.
        std::string whole;
        for (std::int64_t at = 0; at < cursor.size(); at += 131072) {
            whole += readAt(cursor, at, 131072);
        }
        EXPECT_EQ(whole, data);
        const int afterSequential = cursor.restarts();
        EXPECT_LE(afterSequential, 1);
        for (std::int64_t offset : {1'400'000, 700'001, 3, 1'499'990, 1'048'575}) {
            EXPECT_EQ(readAt(cursor, offset, 5000), data.substr(std::size_t(offset), 5000))
                << offset;
        }
        EXPECT_EQ(readAt(cursor, std::int64_t(data.size()), 10), "");
        EXPECT_EQ(readAt(cursor, -1, 10), "");
        if (archive.entry(1).compressed) {
            EXPECT_EQ(cursor.restarts(), afterSequential + 3);
        }
        // A read a little behind the last one is served from the kept window.
        EntryCursor again(archive.pod->file(), archive.entry(1));
        readAt(again, 600'000, 4096);
        EXPECT_EQ(readAt(again, 590'000, 100), data.substr(590'000, 100));
        EXPECT_EQ(again.restarts(), archive.entry(1).compressed ? 1 : 0);

        EntryCursor small(archive.pod->file(), archive.entry(0));
        EXPECT_EQ(readAt(small, 1, 100), "bc");
    }
}

TEST(EntryCursor, DamagedStreamsAndArchivesCutShort) {
    std::string bytes =
        test::buildArchive(ArchiveLayout::POD4, {{"one.txt", std::string(100, '1')}});
    bytes[300 + 4] = 1;  // the stored size: one byte of the stream
    test::TempDir dir;
    test::writeFile(dir.path() / "bad.pod", bytes);
    TPOD bad((dir.path() / "bad.pod").string());
    bad.ReadHeaderAndDirectory();
    EntryCursor damaged(bad.file(), bad.catalogue()[0]);
    char buffer[200];
    EXPECT_THROW(damaged.read(0, buffer, sizeof buffer), DamagedEntry);
    EXPECT_THROW(damaged.read(0, buffer, sizeof buffer), DamagedEntry);  // and again

    const std::string whole = test::buildArchive(ArchiveLayout::POD, {{"cut.txt", "abcdef"}});
    test::writeFile(dir.path() / "cut.pod", whole.substr(0, whole.size() - 2));
    TPOD cut((dir.path() / "cut.pod").string());
    cut.ReadHeaderAndDirectory();
    EntryCursor shortened(cut.file(), cut.catalogue()[0]);
    EXPECT_EQ(readAt(shortened, 2, 100), "cd");
    EXPECT_EQ(readAt(shortened, 4, 100), "");
}

std::string readOrThrow(EntryCursor& cursor, std::int64_t offset, std::size_t count) {
    std::string bytes = readAt(cursor, offset, count);
    EXPECT_EQ(bytes.size(), count) << offset;
    return bytes;
}

// The most a read of `count` bytes may inflate: from a restart point up to one interval (and a
// block) before it, in windows of a quarter MiB.
constexpr std::int64_t mostInflatedFor(std::size_t count) {
    return std::int64_t(count) + kRestartInterval + 512 * 1024;
}

TEST(EntryCursor, ReadsAnywhereInLongEntriesFromRestartPoints) {
    const std::string data = sampleBytes(4 << 20);
    struct Case {
        ArchiveLayout layout;
        test::Compression compression;
    };
    for (const Case& c : {Case{ArchiveLayout::POD5, test::Compression::Zlib},
                          {ArchiveLayout::POD6, test::Compression::RawDeflate}}) {
        test::ArchiveOptions options;
        options.compression = c.compression;
        Opened archive(c.layout, {{"long.bin", data}}, options);
        auto index = std::make_shared<RestartIndex>();
        EntryCursor cursor(archive.pod->file(), archive.entry(0), index);
        const std::size_t piece = 256 * 1024;
        // Backward first: the first read inflates up to its end and keeps the points before.
        for (std::int64_t at = std::int64_t(data.size() - piece); at >= 0; at -= piece) {
            const std::int64_t before = cursor.inflated();
            EXPECT_EQ(readOrThrow(cursor, at, piece), data.substr(std::size_t(at), piece)) << at;
            if (at + std::int64_t(piece) < std::int64_t(data.size())) {
                EXPECT_LE(cursor.inflated() - before, mostInflatedFor(piece)) << at;
            }
        }
        EXPECT_FALSE(index->empty());
        EXPECT_LE(index->bytes(), data.size() / kRestartInterval * (kDeflateWindow + 100));
        // Random places and sizes, across points and up to the end.
        std::mt19937 random(11);
        for (int i = 0; i < 20; ++i) {
            const std::size_t count = random() % 300'000 + 1;
            const std::int64_t at = std::int64_t(random() % (data.size() - count));
            const std::int64_t before = cursor.inflated();
            EXPECT_EQ(readOrThrow(cursor, at, count), data.substr(std::size_t(at), count)) << at;
            // Going on forward unless a point saves at least an interval.
            EXPECT_LE(cursor.inflated() - before, mostInflatedFor(count) + kRestartInterval) << at;
        }
        for (std::int64_t at : {kRestartInterval - 3, 3 * kRestartInterval - 70'000,
                                std::int64_t(data.size()) - 10}) {
            EXPECT_EQ(readAt(cursor, at, 100'000), data.substr(std::size_t(at), 100'000)) << at;
        }
        // A later cursor of the entry starts from the points the first one kept.
        EntryCursor later(archive.pod->file(), archive.entry(0), index);
        EXPECT_EQ(readOrThrow(later, 3 << 20, 4096), data.substr(3 << 20, 4096));
        EXPECT_LE(later.inflated(), mostInflatedFor(4096));
    }
}

TEST(EntryCursor, DamageIsFoundFromRestartPointsToo) {
    const std::string data = sampleBytes(3 << 20);
    Opened archive(ArchiveLayout::POD5, {{"long.bin", data}});
    auto index = std::make_shared<RestartIndex>();
    EntryCursor whole(archive.pod->file(), archive.entry(0), index);
    ASSERT_EQ(readAt(whole, 0, data.size()), data);
    ASSERT_FALSE(index->empty());
    struct Case {
        const char* what;
        std::int64_t sizeChange;
        std::int64_t storedChange;
        const char* reason;
    };
    for (const Case& c : {Case{"stated one byte short", -1, 0, "yields more than"},
                          {"stated one byte long", +1, 0, "instead of"},
                          {"stream cut", 0, -5000, "ends early"}}) {
        CatalogueEntry entry = archive.entry(0);
        entry.size = std::uint32_t(std::int64_t(entry.size) + c.sizeChange);
        entry.storedSize = std::uint32_t(std::int64_t(entry.storedSize) + c.storedChange);
        EntryCursor fromPoint(archive.pod->file(), entry, index);
        std::string bytes(4096, '\0');
        try {
            fromPoint.read(entry.size - 4096, bytes.data(), bytes.size());
            ADD_FAILURE() << c.what << ": no error";
        } catch (const DamagedEntry& error) {
            EXPECT_NE(error.english().find(c.reason), std::string::npos) << error.english();
            EXPECT_LE(fromPoint.inflated(), mostInflatedFor(4096)) << c.what;
        }
    }

    // One byte changed: a front-to-back pass of the zlib stream finds it, by its Adler-32 if
    // nothing else.
    std::string bytes = test::buildArchive(ArchiveLayout::POD5, {{"long.bin", data}});
    const std::size_t middle = archive.entry(0).offset + archive.entry(0).storedSize / 2;
    bytes[middle] = char(bytes[middle] ^ 0x10);
    test::TempDir dir;
    test::writeFile(dir.path() / "bad.pod", bytes);
    TPOD bad((dir.path() / "bad.pod").string());
    bad.ReadHeaderAndDirectory();
    EntryCursor damaged(bad.file(), bad.catalogue()[0]);
    std::string all(data.size(), '\0');
    EXPECT_THROW(
        {
            for (std::size_t at = 0; at < data.size(); at += 131072) {
                damaged.read(std::int64_t(at), all.data() + at, 131072);
            }
        },
        DamagedEntry);
}

TEST(CursorPool, ReadersOfOneFileKeepACursorEach) {
    const std::string data = sampleBytes(1'000'000);
    Opened archive(ArchiveLayout::POD5, {{"a.bin", data}, {"b.txt", "stored", 0, false}});
    CursorPool pool(2);
    char buffer[4096];
    auto read = [&](int entry, std::int64_t offset) {
        const std::size_t got =
            pool.read(archive.pod->file(), archive.entry(entry), offset, buffer, sizeof buffer);
        return std::string(buffer, got);
    };
    // Two readers interleaved at far apart places, each going forward.
    for (std::int64_t step = 0; step < 5; ++step) {
        EXPECT_EQ(read(0, step * 4096), data.substr(std::size_t(step * 4096), 4096));
        EXPECT_EQ(read(0, 800'000 + step * 4096),
                  data.substr(std::size_t(800'000 + step * 4096), 4096));
    }
    EXPECT_EQ(pool.cursorsOpen(), 2u);
    EXPECT_EQ(read(1, 2), "ored");  // stored entries need no cursor
    EXPECT_EQ(pool.cursorsOpen(), 2u);
    EXPECT_EQ(read(0, 10), data.substr(10, 4096));  // before both: the oldest is replaced
    EXPECT_EQ(pool.cursorsOpen(), 2u);
    // The same entry number in another archive is another entry.
    const std::string other = sampleBytes(50'000) + "other";
    Opened second(ArchiveLayout::POD5, {{"a.bin", other}});
    const std::size_t got = pool.read(second.pod->file(), second.entry(0), 10, buffer, 4096);
    EXPECT_EQ(std::string(buffer, got), other.substr(10, 4096));
}

TEST(CursorPool, HoldsACursorPerOpenFileAndDropsReleasedOnesFirst) {
    std::vector<test::StoredFile> files;
    for (int i = 0; i < 5; ++i) files.push_back({std::to_string(i), sampleBytes(300'000 + i)});
    Opened archive(ArchiveLayout::POD5, files);
    CursorPool pool(2);
    const ReadOnlyFile& file = archive.pod->file();
    char buffer[4096];
    auto readEach = [&](int from, int to, std::int64_t offset) {
        for (int entry = from; entry < to; ++entry) {
            const std::size_t got =
                pool.read(file, archive.entry(entry), offset, buffer, sizeof buffer);
            EXPECT_EQ(std::string(buffer, got),
                      files[std::size_t(entry)].data.substr(std::size_t(offset), 4096));
        }
    };
    for (int entry = 0; entry < 4; ++entry) pool.opened(file, archive.entry(entry));
    EXPECT_EQ(pool.capacity(), 4u);
    // Four readers going forward side by side: one cursor each, never started again.
    for (std::int64_t offset = 0; offset < 200'000; offset += 4096) readEach(0, 4, offset);
    EXPECT_EQ(pool.cursorsOpen(), 4u);
    pool.released(file, archive.entry(1));
    pool.released(file, archive.entry(2));
    EXPECT_EQ(pool.capacity(), 2u);
    // A new reader takes the place of a released file's cursor, not of an open one.
    readEach(4, 5, 0);
    readEach(0, 1, 200'000);
    readEach(3, 4, 200'000);
    EXPECT_EQ(pool.cursorsOpen(), 4u);
}

}  // namespace
}  // namespace kelvane
