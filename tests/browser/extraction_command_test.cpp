#include "browser/extraction_command.h"

#include <gtest/gtest.h>

#include "archive/pod_reader.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::ArchiveLayout;
namespace fs = std::filesystem;

const std::vector<test::StoredFile> kFiles = {
    {"A\\B\\deep.txt", "deep", 0},
    {"..\\escape.txt", "evil", 0},
    {"C\\same.txt", "first", 0},
    {"D\\same.txt", "second", 0},
};

const auto kNoProgress = [](int) { return true; };

class ExtractionTest : public ::testing::TestWithParam<ArchiveLayout> {
  protected:
    void SetUp() override {
        path = (dir.path() / (GetParam() == ArchiveLayout::EPD ? "a.EPD" : "a.POD")).string();
        test::writeArchive(path, GetParam(), kFiles);
        fs::create_directory(target());
        archive = std::make_unique<TPOD>(path);
        archive->ReadHeaderAndDirectory();
    }
    fs::path target() const { return dir.path() / "out"; }
    std::string targetDirectory() const { return target().string() + "/"; }

    test::TempDir dir;
    std::string path;
    std::unique_ptr<TPOD> archive;
};

TEST_P(ExtractionTest, StructureRecreatedAtAnyDepthAndUnsafeNamesRefused) {
    const ExtractionReport report =
        extractEntries(*archive, {1, 0, 2}, targetDirectory(), true, kNoProgress);
    EXPECT_EQ(report.extracted, 2);
    ASSERT_EQ(report.refused.size(), 1u);
    EXPECT_NE(report.refused[0].find("..\\escape.txt"), std::string::npos);
    EXPECT_EQ(test::readFile(target() / "A" / "B" / "deep.txt"), "deep");
    EXPECT_EQ(test::readFile(target() / "C" / "same.txt"), "first");
    EXPECT_FALSE(fs::exists(dir.path() / "escape.txt"));
    EXPECT_FALSE(fs::exists(target() / "escape.txt"));
}

TEST_P(ExtractionTest, FlatExtractionFollowsTheGivenOrderAndReplacesFiles) {
    test::writeFile(target() / "same.txt", "older and longer");
    extractEntries(*archive, {3, 2}, targetDirectory(), false, kNoProgress);
    EXPECT_EQ(test::readFile(target() / "same.txt"), "first");
    extractEntries(*archive, {2, 3}, targetDirectory(), false, kNoProgress);
    EXPECT_EQ(test::readFile(target() / "same.txt"), "second");
    EXPECT_FALSE(fs::exists(target() / "A"));
}

TEST_P(ExtractionTest, CancellingKeepsWhatWasWrittenAndFailuresStopTheRun) {
    std::vector<int> seen;
    const ExtractionReport report =
        extractEntries(*archive, {0, 2, 3}, targetDirectory(), true, [&](int done) {
            seen.push_back(done);
            return done < 2;
        });
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(report.extracted, 2);
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(fs::exists(target() / "C" / "same.txt"));
    EXPECT_FALSE(fs::exists(target() / "D"));

    // A file standing where a directory level must go cannot be got round.
    test::writeFile(target() / "D", "in the way");
    EXPECT_THROW(extractEntries(*archive, {3, 0}, targetDirectory(), true, kNoProgress),
                 std::runtime_error);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ExtractionTest,
                         ::testing::Values(ArchiveLayout::EPD, ArchiveLayout::POD,
                                           ArchiveLayout::POD3));

}  // namespace
}  // namespace kelvane
