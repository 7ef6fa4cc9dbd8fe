#include "archive/pod_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "archive/archive_errors.h"
#include "archive/entry_names.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::ArchiveLayout;
using test::StoredFile;

const std::vector<StoredFile> kSampleFiles = {
    {"readme.txt", "hello", 0},
    {"ART\\PANEL\\gauge.tga", std::string(10000, 'g'), 1000000000},
    {"sounds:beep.wav", "", 0xFFFFFFFFu},
};

class ArchiveTest : public ::testing::TestWithParam<ArchiveLayout> {
  protected:
    std::string archivePath(const std::string& name = "sample") const {
        return (dir.path() / (name + (GetParam() == ArchiveLayout::EPD ? ".epd" : ".pod")))
            .string();
    }
    test::TempDir dir;
};

TEST_P(ArchiveTest, ListsAndExtractsEveryLayout) {
    const std::string path = archivePath();
    test::writeArchive(path, GetParam(), kSampleFiles);
    TPOD pod(path);
    ASSERT_EQ(pod.kind(), GetParam() == ArchiveLayout::EPD ? ArchiveKind::EPD : ArchiveKind::POD);
    pod.ReadHeaderAndDirectory();
    EXPECT_EQ(pod.isPOD3(), GetParam() == ArchiveLayout::POD3);

    const auto& entries = pod.catalogue();
    ASSERT_EQ(entries.size(), kSampleFiles.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(entries[i].name, kSampleFiles[i].name);
        EXPECT_EQ(entries[i].size, std::int32_t(kSampleFiles[i].data.size()));
        EXPECT_EQ(entries[i].timestamp, kSampleFiles[i].timestamp);
        EXPECT_EQ(entries[i].index, int(i));
    }

    test::TempDir out;
    ExtractionResult gauge = pod.Extract(1, out.withSeparator(), StoredPath::Drop);
    EXPECT_EQ(gauge.path, out.withSeparator() + "gauge.tga");
    EXPECT_EQ(test::readFile(gauge.path), kSampleFiles[1].data);
    EXPECT_FALSE(gauge.truncated);

    ExtractionResult beep = pod.Extract(2, out.withSeparator(), StoredPath::KeepAndCreateLevels);
    EXPECT_EQ(beep.path, out.withSeparator() + "sounds/beep.wav");
    EXPECT_EQ(test::readFile(beep.path), "");  // an entry of size 0 gives an empty file
}

TEST_P(ArchiveTest, ZeroEntries) {
    const std::string path = archivePath("empty");
    test::writeArchive(path, GetParam(), {});
    TPOD pod(path);
    pod.ReadHeaderAndDirectory();
    EXPECT_TRUE(pod.catalogue().empty());
    EXPECT_EQ(pod.declaredEntryCount(), 0);
}

TEST_P(ArchiveTest, ImpossibleEntryCountsFailBeforeSizing) {
    const std::string path = archivePath("bad");
    std::string bytes = test::buildArchive(GetParam(), kSampleFiles);
    const std::size_t countOffset = GetParam() == ArchiveLayout::EPD ? 260 : 88;
    // Huge, negative, and one more entry than the file holds after its directory.
    const std::uint32_t tooMany = GetParam() == ArchiveLayout::EPD ? 200 : 1000;
    for (std::uint32_t count : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, tooMany}) {
        for (int i = 0; i < 4; ++i) bytes[countOffset + std::size_t(i)] = char(count >> (8 * i));
        test::writeFile(path, bytes);
        TPOD pod(path);
        try {
            pod.ReadHeaderAndDirectory();
            ADD_FAILURE() << "count " << count << " accepted";
        } catch (const DamagedArchive& error) {
            EXPECT_EQ(error.english().rfind("Stream read error: the ", 0), 0u) << error.english();
            EXPECT_NE(error.english().find(" directory ends past the end of the file (at byte "),
                      std::string::npos)
                << error.english();
        }
        EXPECT_TRUE(pod.catalogue().empty());
    }
}

TEST_P(ArchiveTest, ExtractionSizesAndArchiveEnd) {
    // Entries of 4096 and 8192 bytes, the last one ending exactly at the end of the archive.
    const std::string path = archivePath("sizes");
    test::writeArchive(path, GetParam(),
                       {{"a.bin", std::string(4096, 'a')}, {"b.bin", std::string(8192, 'b')}});
    TPOD pod(path);
    pod.ReadHeaderAndDirectory();
    test::TempDir out;
    EXPECT_EQ(test::readFile(pod.Extract(0, out.withSeparator(), StoredPath::Drop).path),
              std::string(4096, 'a'));
    ExtractionResult last = pod.Extract(1, out.withSeparator(), StoredPath::Drop);
    EXPECT_EQ(last.written, 8192);
    EXPECT_FALSE(last.truncated);

    // Cut the archive inside the last entry: the bytes that exist are written, flagged.
    const std::string whole = test::readFile(path);
    test::writeFile(path, whole.substr(0, whole.size() - 100));
    TPOD cut(path);
    cut.ReadHeaderAndDirectory();
    ExtractionResult partial = cut.Extract(1, out.withSeparator(), StoredPath::Drop);
    EXPECT_TRUE(partial.truncated);
    EXPECT_EQ(partial.written, 8092);
    EXPECT_EQ(test::readFile(partial.path), std::string(8092, 'b'));
}

INSTANTIATE_TEST_SUITE_P(Layouts, ArchiveTest,
                         ::testing::Values(ArchiveLayout::EPD, ArchiveLayout::POD,
                                           ArchiveLayout::POD3),
                         [](const auto& info) {
                             return std::string(info.param == ArchiveLayout::EPD   ? "EPD"
                                                : info.param == ArchiveLayout::POD ? "POD"
                                                                                   : "POD3");
                         });

TEST(Archive, KindByExtensionAndReadOnlyAccess) {
    test::TempDir dir;
    const std::string bytes = test::buildArchive(ArchiveLayout::POD, kSampleFiles);
    for (const char* name : {"lower.pod", "upper.POD", "odd.PODX", "none", "dot.pod.txt"}) {
        test::writeFile(dir.path() / name, bytes);
    }
    EXPECT_EQ(TPOD((dir.path() / "lower.pod").string()).kind(), ArchiveKind::POD);
    EXPECT_EQ(TPOD((dir.path() / "upper.POD").string()).kind(), ArchiveKind::POD);
    EXPECT_EQ(TPOD((dir.path() / "odd.PODX").string()).kind(), ArchiveKind::NotOpen);
    EXPECT_EQ(TPOD((dir.path() / "none").string()).kind(), ArchiveKind::NotOpen);
    EXPECT_EQ(TPOD((dir.path() / "dot.pod.txt").string()).kind(), ArchiveKind::NotOpen);
    EXPECT_EQ(TPOD((dir.path() / "missing.pod").string()).kind(), ArchiveKind::NotOpen);

    // An archive without write permission is still read (only meaningful when not root).
    chmod((dir.path() / "lower.pod").c_str(), 0444);
    TPOD readOnly((dir.path() / "lower.pod").string());
    ASSERT_EQ(readOnly.kind(), ArchiveKind::POD);
    readOnly.ReadHeaderAndDirectory();
    EXPECT_EQ(readOnly.catalogue().size(), kSampleFiles.size());
}

TEST(Archive, HeaderLayouts) {
    test::TempDir dir;
    const std::string path = (dir.path() / "x.pod").string();

    // "POD3" but shorter than its 288-byte header.
    test::writeFile(path, test::buildArchive(ArchiveLayout::POD3, {}).substr(0, 200));
    TPOD shortPod3(path);
    EXPECT_THROW(shortPod3.ReadPODHeader(), std::runtime_error);

    // A tag no layout has reads the older layout; another layout's tag is that layout.
    std::string older = test::buildArchive(ArchiveLayout::POD, kSampleFiles);
    older.replace(0, 4, "XYZW");
    test::writeFile(path, older);
    TPOD pod(path);
    pod.ReadHeaderAndDirectory();
    EXPECT_FALSE(pod.isPOD3());
    EXPECT_EQ(pod.catalogue()[1].name, "ART\\PANEL\\gauge.tga");
    older.replace(0, 4, "POD4");
    test::writeFile(path, older);
    TPOD damaged(path);
    EXPECT_THROW(damaged.ReadHeaderAndDirectory(), DamagedArchive);

    // A name that runs into the end of the file without its NUL.
    std::string noNul = test::buildArchive(ArchiveLayout::POD, {{"only.txt", ""}});
    noNul.pop_back();
    test::writeFile(path, noNul);
    TPOD unterminated(path);
    EXPECT_THROW(unterminated.ReadHeaderAndDirectory(), std::runtime_error);
}

TEST(Archive, EpdNameFillingAllSixtyFourBytes) {
    test::TempDir dir;
    const std::string path = (dir.path() / "x.epd").string();
    const std::string name(64, 'N');
    test::writeArchive(path, ArchiveLayout::EPD, {{name, "data"}});
    TPOD epd(path);
    epd.ReadHeaderAndDirectory();
    EXPECT_EQ(epd.catalogue()[0].name, name);
    EXPECT_EQ(epd.catalogue()[0].size, 4);
}

TEST(Archive, UnsafeNamesAreRefusedAndNothingLeavesTheTarget) {
    test::TempDir dir;
    const std::string path = (dir.path() / "evil.pod").string();
    test::writeArchive(path, ArchiveLayout::POD,
                       {{"..\\escape.txt", "x"},
                        {"C:\\WINDOWS\\win.ini", "x"},
                        {"\\abs.txt", "x"},
                        {"a\\..\\..\\up.txt", "x"},
                        {"ok\\fine.txt", "fine"},
                        {"", "x"},
                        {"A\\..", "x"}});
    TPOD pod(path);
    pod.ReadHeaderAndDirectory();
    test::TempDir out;
    const std::string target = out.withSeparator();
    for (int i : {0, 1, 2, 3}) {
        EXPECT_THROW(pod.Extract(i, target, StoredPath::KeepAndCreateLevels), UnsafeEntryName);
    }
    EXPECT_EQ(test::readFile(pod.Extract(4, target, StoredPath::KeepAndCreateLevels).path), "fine");
    // Without the stored path only the final component counts.
    EXPECT_EQ(pod.Extract(0, target, StoredPath::Drop).path, target + "escape.txt");
    EXPECT_THROW(pod.Extract(5, target, StoredPath::Drop), std::runtime_error);
    // A refusal names the whole stored name, not the component it stumbled on.
    try {
        pod.Extract(6, target, StoredPath::Drop);
        ADD_FAILURE() << "A\\.. extracted";
    } catch (const UnsafeEntryName& refused) {
        EXPECT_EQ(refused.english(),
                  "Entry \"A\\..\" refused: its name would place it outside the target directory");
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "escape.txt"));
    EXPECT_FALSE(std::filesystem::exists(out.path().parent_path() / "up.txt"));
}

TEST(Archive, StoredLevelsAndLinks) {
    test::TempDir dir;
    const std::string path = (dir.path() / "deep.epd").string();
    test::writeArchive(path, ArchiveLayout::EPD, {{"one\\two\\leaf.txt", "leaf"}});
    TPOD pod(path);
    pod.ReadHeaderAndDirectory();
    test::TempDir out;
    const std::string target = out.withSeparator();
    try {
        pod.Extract(0, target, StoredPath::Keep);
        FAIL() << "missing levels must not be created";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot create file " + target + "one/two/leaf.txt: No such file or directory");
    }
    EXPECT_EQ(test::readFile(pod.Extract(0, target, StoredPath::KeepAndCreateLevels).path), "leaf");

    // A link standing at the output name is replaced, never followed.
    test::TempDir elsewhere;
    test::writeFile(elsewhere.path() / "victim", "keep me");
    std::filesystem::remove(out.path() / "one/two/leaf.txt");
    std::filesystem::create_symlink(elsewhere.path() / "victim", out.path() / "one/two/leaf.txt");
    pod.Extract(0, target, StoredPath::Keep);
    EXPECT_EQ(test::readFile(elsewhere.path() / "victim"), "keep me");
    EXPECT_FALSE(std::filesystem::is_symlink(out.path() / "one/two/leaf.txt"));

    // A linked directory level is not entered.
    std::filesystem::remove_all(out.path() / "one");
    std::filesystem::create_directory_symlink(elsewhere.path(), out.path() / "one");
    EXPECT_THROW(pod.Extract(0, target, StoredPath::KeepAndCreateLevels), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(elsewhere.path() / "two"));
}

}  // namespace
}  // namespace kelvane
