#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "archive/archive_errors.h"
#include "archive/entry_reader.h"
#include "platform/read_only_file.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::Compression;
using test::noisyText;

// An archive file holding `stored` at offset 16, and the entry that describes it.
struct EntryFile {
    test::TempDir dir;
    ReadOnlyFile file;
    CatalogueEntry entry;

    EntryFile(const std::string& stored, std::size_t size, bool compressed) {
        const auto path = dir.path() / "entry.pod";
        test::writeFile(path, std::string(16, 'H') + stored);
        EXPECT_TRUE(file.open(path.string()));
        entry.offset = 16;
        entry.storedSize = std::int32_t(stored.size());
        entry.size = std::int32_t(size);
        entry.compressed = compressed;
    }
};

const std::string kText = noisyText(300 * 1024);

struct PrefixCase {
    const char* name;
    bool compressed;
    Compression compression;
    std::size_t limit;
};

// Cases print their name, not their padding.
void PrintTo(const PrefixCase& c, std::ostream* out) {
    *out << c.name;
}

class EntryPrefix : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(EntryPrefix, GivesTheFirstBytesOfTheEntry) {
    const PrefixCase& c = GetParam();
    EntryFile stored(c.compressed ? test::deflateBytes(kText, c.compression) : kText, kText.size(),
                     c.compressed);
    const std::string prefix = readEntryPrefix(stored.file, stored.entry, c.limit);
    EXPECT_EQ(prefix, kText.substr(0, c.limit));
}

INSTANTIATE_TEST_SUITE_P(
    Limits, EntryPrefix,
    ::testing::Values(PrefixCase{"StoredNothing", false, Compression::Zlib, 0},
                      PrefixCase{"StoredFew", false, Compression::Zlib, 100},
                      PrefixCase{"StoredSeveralChunks", false, Compression::Zlib, 200 * 1024},
                      PrefixCase{"StoredExactly", false, Compression::Zlib, 300 * 1024},
                      PrefixCase{"StoredBeyond", false, Compression::Zlib, 1 << 20},
                      PrefixCase{"ZlibNothing", true, Compression::Zlib, 0},
                      PrefixCase{"ZlibFew", true, Compression::Zlib, 100},
                      PrefixCase{"ZlibOneChunk", true, Compression::Zlib, 64 * 1024},
                      PrefixCase{"ZlibExactly", true, Compression::Zlib, 300 * 1024},
                      PrefixCase{"ZlibBeyond", true, Compression::Zlib, 1 << 20},
                      PrefixCase{"DeflateFew", true, Compression::RawDeflate, 100},
                      PrefixCase{"DeflateSeveralChunks", true, Compression::RawDeflate, 200 * 1024},
                      PrefixCase{"DeflateBeyond", true, Compression::RawDeflate, 1 << 20}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EntryPrefix, InflatesNoFurtherThanThePrefixNeeds) {
    // The second half of the stream is garbage: reading the whole entry fails, its prefix
    // comes out whole.
    std::string stream = test::deflateBytes(kText, Compression::Zlib);
    for (std::size_t i = stream.size() / 2; i < stream.size(); ++i) stream[i] = char(0xFF);
    EntryFile damaged(stream, kText.size(), true);
    EXPECT_EQ(readEntryPrefix(damaged.file, damaged.entry, 64 * 1024), kText.substr(0, 64 * 1024));
    EXPECT_THROW(readEntry(damaged.file, damaged.entry, [](const char*, std::size_t) {}),
                 DamagedEntry);
    EXPECT_THROW(readEntryPrefix(damaged.file, damaged.entry, kText.size()), DamagedEntry);
}

TEST(EntryPrefix, ReadsOnlyThePrefixOfAStoredEntry) {
    const std::string big(32 << 20, 'b');
    EntryFile stored(big, big.size(), false);
    const std::uint64_t before = test::bytesReadSoFar();
    EXPECT_EQ(readEntryPrefix(stored.file, stored.entry, 64 * 1024).size(), 64u * 1024);
    // The file's read-ahead window at most.
    EXPECT_LE(test::bytesReadSoFar() - before, 512u * 1024);
}

TEST(EntryPrefix, EntriesCutShort) {
    // A stored entry the archive ends inside gives what there is.
    EntryFile cut("only ten b", 1000, false);
    cut.entry.storedSize = 1000;
    EXPECT_EQ(readEntryPrefix(cut.file, cut.entry, 64), "only ten b");

    // A compressed stream that stops before the prefix is complete is damaged; its bytes
    // up to there would do for a prefix that stops before.
    const std::string stream = test::deflateBytes(kText, Compression::RawDeflate);
    EntryFile early(stream.substr(0, stream.size() / 4), kText.size(), true);
    EXPECT_THROW(readEntryPrefix(early.file, early.entry, kText.size()), DamagedEntry);
    EXPECT_EQ(readEntryPrefix(early.file, early.entry, 1000), kText.substr(0, 1000));

    // A stream that yields more than the stated size is damaged once the prefix reaches it.
    EntryFile longer(test::deflateBytes(kText, Compression::Zlib), 1000, true);
    EXPECT_EQ(readEntryPrefix(longer.file, longer.entry, 500), kText.substr(0, 500));
    EXPECT_THROW(readEntryPrefix(longer.file, longer.entry, 5000), DamagedEntry);

    // A negative offset reads nothing.
    EntryFile nowhere("data", 4, false);
    nowhere.entry.offset = -1;
    EXPECT_EQ(readEntryPrefix(nowhere.file, nowhere.entry, 64), "");
}

}  // namespace
}  // namespace kelvane
