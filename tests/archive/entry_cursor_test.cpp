#include "archive/entry_cursor.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "archive/archive_errors.h"
#include "archive/cursor_pool.h"
#include "archive/pod_reader.h"
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

TEST(CursorPool, ReadersOfOneFileKeepACursorEach) {
    const std::string data = sampleBytes(1'000'000);
    Opened archive(ArchiveLayout::POD5, {{"a.bin", data}, {"b.txt", "stored", 0, false}});
    CursorPool pool(archive.pod->file(), 2);
    char buffer[4096];
    auto read = [&](int entry, std::int64_t offset) {
        const std::size_t got = pool.read(archive.entry(entry), offset, buffer, sizeof buffer);
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
}

}  // namespace
}  // namespace kelvane
