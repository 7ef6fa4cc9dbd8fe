#include "browser/extraction_command.h"

#include <gtest/gtest.h>

#include "archive/pod_reader.h"
#include "tests/support/archive_builder.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

TEST(ExtractEntries, CancellingKeepsWhatWasWrittenAndFailuresStopTheRun) {
    test::TempDir dir;
    const std::string path = (dir.path() / "a.POD").string();
    test::writeArchive(path, test::ArchiveLayout::POD,
                       {{"A\\B\\deep.txt", "deep", 0},
                        {"..\\escape.txt", "evil", 0},
                        {"C\\same.txt", "first", 0},
                        {"D\\same.txt", "second", 0}});
    TPOD archive(path);
    archive.ReadHeaderAndDirectory();
    const fs::path target = dir.path() / "out";
    fs::create_directory(target);
    const std::string targetDirectory = target.string() + "/";

    std::vector<int> seen;
    const ExtractionReport report =
        extractEntries(archive, {0, 1, 2, 3}, targetDirectory, {true}, [&](int done) {
            if (seen.empty() || seen.back() != done) seen.push_back(done);  // told again meanwhile
            return done < 3;
        });
    EXPECT_TRUE(report.cancelled);
    EXPECT_EQ(report.extracted, 2);
    EXPECT_EQ(report.refused.size(), 1u);  // a refused entry does not stop the run
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(test::readFile(target / "A" / "B" / "deep.txt"), "deep");
    EXPECT_TRUE(fs::exists(target / "C" / "same.txt"));
    EXPECT_FALSE(fs::exists(target / "D"));

    // A file standing where a directory level must go stops the run; the refusal met
    // before it is still reported beside it.
    test::writeFile(target / "D", "in the way");
    const ExtractionReport stopped =
        extractEntries(archive, {1, 3, 0}, targetDirectory, {true}, [](int) { return true; });
    EXPECT_EQ(stopped.extracted, 0);
    EXPECT_NE(stopped.stoppedBy.find("Cannot create file"), std::string::npos);
    const std::string messages = stopped.messages();
    EXPECT_LT(messages.find("refus"), messages.find("Cannot create file")) << messages;
}

TEST(ExtractEntries, AFullDiskOrAVanishedFolderEndsTheRunWithOneMessage) {
    test::TempDir dir;
    const std::string path = (dir.path() / "a.POD").string();
    test::writeArchive(path, test::ArchiveLayout::POD,
                       {{"one.txt", "first"},
                        {"two.txt", "second"},
                        {"big.bin", std::string(256 * 1024, 'b')},
                        {"three.txt", "third"}});
    TPOD archive(path);
    archive.ReadHeaderAndDirectory();
    const auto always = [](int) { return true; };

    // The target folder disappears after the first entry.
    const fs::path gone = dir.path() / "gone";
    fs::create_directory(gone);
    const ExtractionReport vanished =
        extractEntries(archive, {0, 1, 3}, gone.string() + "/", {false}, [&](int done) {
            if (done == 1) fs::remove_all(gone);
            return true;
        });
    EXPECT_EQ(vanished.extracted, 1);
    EXPECT_EQ(vanished.messages(),
              "Cannot create file " + gone.string() + "/two.txt: No such file or directory");

    test::SmallDisk disk(128 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << disk.refusal();
    const ExtractionReport full =
        extractEntries(archive, {0, 1, 2, 3}, disk.withSeparator(), {false}, always);
    EXPECT_EQ(full.extracted, 2);
    EXPECT_EQ(full.messages(), full.stoppedBy);
    EXPECT_NE(full.stoppedBy.find("The disk is full: " + disk.withSeparator() + "big.bin"),
              std::string::npos)
        << full.stoppedBy;
    EXPECT_EQ(disk.names(), (std::vector<std::string>{"one.txt", "two.txt"}));
    EXPECT_EQ(test::readFile(disk.path() / "two.txt"), "second");
}

TEST(ExtractEntries, DamagedEntriesAreReportedAndTheRunGoesOn) {
    test::TempDir dir;
    const std::string path = (dir.path() / "c.pod").string();
    std::string bytes = test::buildArchive(
        test::ArchiveLayout::POD4, {{"bad.txt", std::string(100, 'b')}, {"good.txt", "good"}});
    bytes[300 + 4] = 1;  // the first stream cut to one byte
    test::writeFile(path, bytes);
    TPOD archive(path);
    archive.ReadHeaderAndDirectory();
    const ExtractionReport report = extractEntries(archive, {0, 1}, dir.path().string() + "/",
                                                   {false}, [](int) { return true; });
    EXPECT_EQ(report.extracted, 1);
    ASSERT_EQ(report.damaged.size(), 1u);
    EXPECT_NE(report.messages().find("L'entrée 1 \"bad.txt\" est endommagée"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir.path() / "bad.txt"));
    EXPECT_EQ(test::readFile(dir.path() / "good.txt"), "good");
}

TEST(ExtractEntries, EntriesLandingOnOneFlatNameAreNamedInTheLastNote) {
    const std::string tail =
        ". Cochez « Recréer la structure du répertoire » pour les garder toutes.";
    struct Case {
        std::vector<std::string> names;
        bool keepStructure;
        std::string french;  // the note's French half; empty: none
    };
    std::vector<std::string> twelve;
    for (int i = 0; i < 12; ++i) {
        twelve.push_back("A\\N" + std::to_string(i));
        twelve.push_back("B\\N" + std::to_string(i));
    }
    const Case cases[] = {
        {{"A\\X.TXT", "B\\X.TXT", "C\\Y.TXT"},
         false,
         "2 entrées portaient le même nom sans leur dossier : X.TXT" + tail},
        {{"A\\Y", "A\\X.TXT", "B\\X.TXT", "C:X.TXT", "B\\Y"},
         false,
         "5 entrées portaient le même nom sans leur dossier : Y, X.TXT" + tail},
        // A Linux file system tells these apart; the tick-box would not part the last two; a
        // forward slash is written as '_'; names refused are not extracted.
        {{"A\\X.TXT", "B\\x.txt", "C\\Z", "C\\Z", "A\\P/Q", "B\\P_Q", "A\\..", "B\\.."},
         false,
         "2 entrées portaient le même nom sans leur dossier : P_Q" + tail},
        {{"A\\X.TXT", "B\\X.TXT"}, true, ""},
        {twelve, false,
         "24 entrées portaient le même nom sans leur dossier : N0, N1, N2, N3, N4, N5, N6, N7, N8, "
         "N9 et 2 autres" +
             tail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.names.front() + " " + std::to_string(c.names.size()));
        test::TempDir dir;
        const std::string path = (dir.path() / "a.POD").string();
        std::vector<test::StoredFile> files;
        std::vector<int> indices;
        for (const std::string& name : c.names) {
            indices.push_back(int(files.size()));
            files.push_back({name, name, 0});
        }
        test::writeArchive(path, test::ArchiveLayout::POD, files);
        TPOD archive(path);
        archive.ReadHeaderAndDirectory();
        const ExtractionReport report = extractEntries(archive, indices, dir.withSeparator(),
                                                       {c.keepStructure}, [](int) { return true; });
        const std::string messages = report.messages();
        const std::size_t note = messages.find(" entrées portaient");
        if (c.french.empty()) {
            EXPECT_EQ(note, std::string::npos) << messages;
            continue;
        }
        ASSERT_NE(note, std::string::npos) << messages;
        const std::size_t start = messages.rfind("\r\n\r\n", note);
        const std::string last = messages.substr(start == std::string::npos ? 0 : start + 4);
        EXPECT_EQ(last.substr(0, last.find("\r\n")), c.french);
    }
}

}  // namespace
}  // namespace kelvane
