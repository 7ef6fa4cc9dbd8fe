#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/cli.h"
#include "tests/support/archive_builder.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun run(const cli::Arguments& args) {
    std::ostringstream out, err;
    const int status = cli::runCli(args, out, err);
    return {status, out.str(), err.str()};
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        archive = (dir.path() / "demo.pod").string();
        test::writeArchive(archive, test::ArchiveLayout::POD3,
                           {{"readme.txt", "hello", 1000000000},
                            {"ART\\caf\xE9.tga", "pixels", 0xFFFFFFFFu},
                            {"..\\evil.txt", "x"}});
    }
    test::TempDir dir;
    std::string archive;
};

TEST_F(CliTest, ListAndInfo) {
    CliRun list = run({"list", archive});
    EXPECT_EQ(list.status, 0);
    // number, size, offset, timestamp (signed), name (UTF-8)
    EXPECT_EQ(list.out,
              "1\t5\t396\t1000000000\treadme.txt\n"
              "2\t6\t401\t-1\tART\\café.tga\n"
              "3\t1\t407\t0\t..\\evil.txt\n");
    CliRun info = run({"info", archive});
    EXPECT_EQ(info.status, 0);
    EXPECT_EQ(info.out, "demo.pod - 3 files for 12 bytes\n");
}

TEST_F(CliTest, ExtractRefusesUnsafeNamesAndKeepsTheRest) {
    test::TempDir out;
    CliRun flat = run({"extract", archive, out.path().string()});
    EXPECT_EQ(flat.status, 0);  // without the structure only final components are used
    EXPECT_EQ(test::readFile(out.path() / "café.tga"), "pixels");
    EXPECT_EQ(test::readFile(out.path() / "evil.txt"), "x");

    test::TempDir tree;
    CliRun structured = run({"extract", "--structure", archive, tree.path().string()});
    EXPECT_EQ(structured.status, 1);
    EXPECT_NE(structured.err.find("..\\evil.txt"), std::string::npos);
    EXPECT_EQ(test::readFile(tree.path() / "ART" / "café.tga"), "pixels");
    EXPECT_EQ(test::readFile(tree.path() / "readme.txt"), "hello");
    EXPECT_FALSE(std::filesystem::exists(tree.path().parent_path() / "evil.txt"));

    test::TempDir chosen;
    EXPECT_EQ(run({"extract", archive, chosen.path().string(), "2", "readme.txt"}).status, 0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(chosen.path()), {}), 2);
    EXPECT_EQ(run({"extract", archive, chosen.path().string(), "nothing"}).status, 1);
}

TEST_F(CliTest, CatAndTruncatedEntries) {
    CliRun cat = run({"cat", archive, "ART\\café.tga"});
    EXPECT_EQ(cat.status, 0);
    EXPECT_EQ(cat.out, "pixels");
    EXPECT_EQ(run({"cat", archive, "1"}).out, "hello");

    const std::string whole = test::readFile(archive);
    test::writeFile(archive, whole.substr(0, whole.size() - 2));
    CliRun cut = run({"cat", archive, "2"});
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.out, "pixel");
    EXPECT_NE(cut.err.find("5 of 6 bytes"), std::string::npos);
    test::TempDir out;
    EXPECT_EQ(run({"extract", archive, out.path().string(), "2"}).status, 1);
    EXPECT_EQ(test::readFile(out.path() / "café.tga"), "pixel");
}

TEST(Cli, EveryLayout) {
    test::TempDir dir;
    for (auto [layout, name] : {std::pair{test::ArchiveLayout::EPD, "a.epd"},
                                {test::ArchiveLayout::POD, "a.pod"},
                                {test::ArchiveLayout::POD3, "b.POD"}}) {
        const std::string archive = (dir.path() / name).string();
        test::writeArchive(archive, layout, {{"x\\one.txt", "1"}, {"two.txt", "22"}});
        EXPECT_EQ(run({"info", archive}).out, std::string(name) + " - 2 files for 3 bytes\n");
        EXPECT_EQ(run({"cat", archive, "x\\one.txt"}).out, "1");
        test::TempDir out;
        EXPECT_EQ(run({"extract", "--structure", archive, out.path().string()}).status, 0);
        EXPECT_EQ(test::readFile(out.path() / "x" / "one.txt"), "1");
        EXPECT_EQ(test::readFile(out.path() / "two.txt"), "22");
    }
}

TEST(Cli, ExtractStopsAtAFullDiskWithOneLine) {
    test::TempDir dir;
    const std::string archive = (dir.path() / "big.pod").string();
    test::writeArchive(archive, test::ArchiveLayout::POD,
                       {{"a.txt", "a"}, {"big.bin", std::string(256 * 1024, 'b')}, {"c.txt", "c"}});
    test::SmallDisk disk(64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << disk.refusal();
    const CliRun full = run({"extract", archive, disk.path().string()});
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err, "kelvane-cli: The disk is full: " + disk.withSeparator() +
                            "big.bin could not be written.\n");
    EXPECT_EQ(disk.names(), std::vector<std::string>{"a.txt"});
}

TEST_F(CliTest, StatusCodes) {
    EXPECT_EQ(run({}).status, 2);
    EXPECT_EQ(run({"--help"}).status, 0);
    EXPECT_EQ(run({"extract", "--help"}).status, 0);
    EXPECT_EQ(run({"frobnicate"}).status, 2);
    EXPECT_EQ(run({"list"}).status, 2);
    EXPECT_EQ(run({"extract", "--flat", archive, "x"}).status, 2);
    CliRun missing = run({"list", (dir.path() / "missing.pod").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("missing.pod"), std::string::npos);
    test::writeFile(dir.path() / "short.epd", "tiny");
    CliRun truncated = run({"info", (dir.path() / "short.epd").string()});
    EXPECT_EQ(truncated.status, 1);
    EXPECT_NE(truncated.err.find("Stream read error"), std::string::npos);
}

}  // namespace
}  // namespace kelvane
