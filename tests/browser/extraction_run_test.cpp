#include "browser/extraction_run.h"

#include <gtest/gtest.h>

#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

// An archive of `count` stored entries named E<n>.txt in folders D<n>, every fourth one larger
// than the system copies whole, and what four workers reported extracting `indices` from it.
struct FourWorkerRun {
    test::TempDir dir;
    fs::path target = dir.path() / "out";
    std::unique_ptr<TPOD> archive;
    std::vector<std::size_t> progressed;
    std::vector<int> reported;
    RunEnd end = RunEnd::Finished;

    explicit FourWorkerRun(std::vector<test::StoredFile> files,
                           test::ArchiveLayout layout = test::ArchiveLayout::POD) {
        const std::string path = (dir.path() / "a.pod").string();
        test::writeArchive(path, layout, files);
        archive = openAndRead(path);
        fs::create_directory(target);
    }

    void run(const std::vector<int>& indices, StoredPath storedPath,
             const std::function<bool(std::size_t)>& progress) {
        ExtractionRunOptions options;
        options.storedPath = storedPath;
        options.jobs = 4;
        const OutputFolder folder(target.string() + "/");
        end = runExtraction(
            *archive, indices, folder, options,
            [&](std::size_t position) {
                // Told again while an entry is written: each position is kept once.
                if (progressed.empty() || progressed.back() != position)
                    progressed.push_back(position);
                return progress(position);
            },
            [&](const ExtractedEntry& entry) { reported.push_back(entry.index); });
    }
};

std::vector<test::StoredFile> numberedFiles(int count) {
    std::vector<test::StoredFile> files;
    for (int n = 0; n < count; ++n) {
        const std::string name = "E" + std::to_string(n) + ".txt";
        const std::size_t size = n % 4 == 0 ? (2 << 20) + std::size_t(n) : 100 + std::size_t(n);
        files.push_back(
            {"D" + std::to_string(n) + "\\" + name, std::string(size, char('a' + n % 26)), 0});
    }
    return files;
}

std::vector<int> upTo(int count) {
    std::vector<int> indices(std::size_t(count), 0);
    for (int n = 0; n < count; ++n) indices[std::size_t(n)] = n;
    return indices;
}

TEST(ParallelExtraction, ReportsInTheOrderOfTheIndicesAndWritesEveryByte) {
    FourWorkerRun run(numberedFiles(24));
    std::vector<int> indices = upTo(24);
    std::reverse(indices.begin(), indices.end());
    run.run(indices, StoredPath::Drop, [](std::size_t) { return true; });
    EXPECT_EQ(run.end, RunEnd::Finished);
    EXPECT_EQ(run.reported, indices);
    const std::vector<int> positions = upTo(24);
    EXPECT_EQ(run.progressed, std::vector<std::size_t>(positions.begin(), positions.end()));
    for (const test::StoredFile& file : numberedFiles(24)) {
        const std::string name = file.name.substr(file.name.find('\\') + 1);
        EXPECT_EQ(test::readFile(run.target / name), file.data) << name;
    }
}

TEST(ParallelExtraction, AFailureOrACancelLeavesNothingAfterIt) {
    // A directory in the way of the fourth entry ends the run there.
    FourWorkerRun failing(numberedFiles(40));
    fs::create_directories(failing.target / "E3.txt" / "inside");
    failing.run(upTo(40), StoredPath::Drop, [](std::size_t) { return true; });
    EXPECT_EQ(failing.end, RunEnd::Stopped);
    EXPECT_EQ(failing.reported, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(test::namesIn(failing.target),
              (std::vector<std::string>{"E0.txt", "E1.txt", "E2.txt", "E3.txt"}));

    // Cancelled before the sixth entry: neither its file nor its folder, nor a temporary file.
    FourWorkerRun cancelled(numberedFiles(40));
    cancelled.run(upTo(40), StoredPath::KeepAndCreateLevels,
                  [](std::size_t position) { return position < 5; });
    EXPECT_EQ(cancelled.end, RunEnd::Cancelled);
    EXPECT_EQ(cancelled.reported, upTo(5));
    EXPECT_EQ(test::namesIn(cancelled.target),
              (std::vector<std::string>{"D0", "D1", "D2", "D3", "D4"}));
    for (int n = 0; n < 5; ++n) {
        const fs::path folder = cancelled.target / ("D" + std::to_string(n));
        EXPECT_EQ(test::namesIn(folder),
                  std::vector<std::string>{"E" + std::to_string(n) + ".txt"});
    }

    // Cancelled while a long deflated entry is being written (progress is told again
    // meanwhile): it is abandoned half way, nothing of it left.
    FourWorkerRun abandoned({{"LONG.TXT", test::noisyText(24 << 20)}, {"B.TXT", "b"}},
                            test::ArchiveLayout::POD4);
    int calls = 0;
    abandoned.run({0, 1}, StoredPath::Drop, [&](std::size_t) { return ++calls < 2; });
    EXPECT_EQ(abandoned.end, RunEnd::Cancelled);
    EXPECT_EQ(test::namesIn(abandoned.target), abandoned.reported.empty()
                                                   ? std::vector<std::string>{}
                                                   : std::vector<std::string>{"LONG.TXT"});
}

TEST(ParallelExtraction, AFileWrittenTwiceKeepsTheLaterEntry) {
    std::vector<test::StoredFile> files = numberedFiles(12);
    files[2] = {"A\\same.txt", std::string(3 << 20, 'f'), 0};
    files[3] = {"B\\same.txt", "second", 0};
    files[9] = {"C\\same.txt", "third", 0};
    FourWorkerRun run(files);
    run.run({9, 0, 3, 1, 2, 4}, StoredPath::Drop, [](std::size_t) { return true; });
    EXPECT_EQ(test::readFile(run.target / "same.txt"), std::string(3 << 20, 'f'));
}

}  // namespace
}  // namespace kelvane
