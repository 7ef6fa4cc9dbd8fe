#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/cli.h"
#include "tests/cli/cli_run.h"
#include "tests/support/archive_builder.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::CliRun;
using test::run;

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
    EXPECT_EQ(full.err, "kelvane-cli: stopped after writing 1 of 3 entries: The disk is full: " +
                            disk.withSeparator() + "big.bin could not be written.\n");
    EXPECT_EQ(disk.names(), std::vector<std::string>{"a.txt"});
}

TEST(Cli, EveryLayoutOfTheFamily) {
    test::TempDir dir;
    test::ArchiveOptions options;
    options.audit = {{"pilot", 100, 0, "x\\one.txt", 0, 0, 100, 1}};
    const std::vector<test::StoredFile> files = {{"x\\one.txt", "1", 7}, {"two.txt", "22", 8}};
    struct Case {
        test::ArchiveLayout layout;
        const char* name;
        const char* verified;
        bool audit;
    };
    for (const Case& c : {Case{test::ArchiveLayout::POD1, "POD1", "carry no checksums", false},
                          Case{test::ArchiveLayout::EPD, "EPD", "All 3 checksums hold", false},
                          Case{test::ArchiveLayout::POD, "POD2", "All 3 checksums hold", true},
                          Case{test::ArchiveLayout::POD3, "POD3", "All 6 checksums hold", true},
                          Case{test::ArchiveLayout::POD4, "POD4", "All 6 checksums hold", true},
                          Case{test::ArchiveLayout::POD5, "POD5", "All 6 checksums hold", true},
                          Case{test::ArchiveLayout::POD6, "POD6", "carry no checksums", false}}) {
        const std::string archive =
            (dir.path() / (c.layout == test::ArchiveLayout::EPD ? "a.epd" : "a.pod")).string();
        test::writeArchive(archive, c.layout, files, options);
        const bool timestamps =
            c.layout != test::ArchiveLayout::POD1 && c.layout != test::ArchiveLayout::POD6;
        const std::string list = run({"list", archive}).out;
        EXPECT_EQ(list.substr(list.rfind('\t', list.rfind('\t') - 1)),
                  std::string("\t") + (timestamps ? "8" : "0") + "\ttwo.txt\n")
            << c.name;
        EXPECT_EQ(run({"cat", archive, "two.txt"}).out, "22") << c.name;
        test::TempDir out;
        EXPECT_EQ(run({"extract", "--structure", archive, out.path().string()}).status, 0);
        EXPECT_EQ(test::readFile(out.path() / "x" / "one.txt"), "1");

        CliRun verify = run({"verify", archive});
        EXPECT_EQ(verify.status, 0) << c.name;
        EXPECT_NE(verify.out.find(c.verified), std::string::npos) << verify.out;
        const std::string info = run({"info", "--verbose", archive}).out;
        EXPECT_NE(info.find(std::string("\nlayout: ") + c.name + "\n"), std::string::npos) << info;
        EXPECT_NE(info.find("entries: 2\n"), std::string::npos) << info;
        CliRun audit = run({"audit", archive});
        EXPECT_EQ(audit.status, 0);
        EXPECT_EQ(audit.out, c.audit ? "100\tpilot\tadded\tx\\one.txt\t0\t0\t100\t1\n" : "")
            << c.name;
    }
}

TEST(Cli, FailingChecksumsAndDamagedEntries) {
    test::TempDir dir;
    const std::string archive = (dir.path() / "bad.pod").string();
    test::ArchiveOptions bad;
    bad.badChecksums = true;
    test::writeArchive(archive, test::ArchiveLayout::POD4, {{"one.txt", "1"}, {"two.txt", "22"}},
                       bad);
    CliRun verify = run({"verify", archive});
    EXPECT_EQ(verify.status, 1);
    EXPECT_NE(verify.out.find("Header checksum mismatch"), std::string::npos) << verify.out;
    EXPECT_NE(verify.out.find("Entry 2 \"two.txt\": checksum mismatch"), std::string::npos);
    EXPECT_NE(verify.out.find("6 of 6 checksums fail."), std::string::npos);

    // The first entry's stream cut to one byte: named, left out, the other still extracted.
    std::string bytes = test::buildArchive(test::ArchiveLayout::POD4,
                                           {{"one.txt", std::string(100, '1')}, {"two.txt", "22"}});
    bytes[300 + 4] = 1;
    test::writeFile(archive, bytes);
    test::TempDir out;
    CliRun extract = run({"extract", archive, out.path().string()});
    EXPECT_EQ(extract.status, 1);
    EXPECT_NE(extract.err.find("Entry 1 \"one.txt\" is damaged"), std::string::npos) << extract.err;
    EXPECT_FALSE(std::filesystem::exists(out.path() / "one.txt"));
    EXPECT_EQ(test::readFile(out.path() / "two.txt"), "22");
    EXPECT_EQ(run({"cat", archive, "one.txt"}).status, 1);
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
