#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "tests/cli/cli_run.h"
#include "tests/support/archive_builder.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

// An extraction into a target that refuses files, and what the run says.
struct Refusing {
    const char* what;
    std::string archive;
    bool onSmallDisk;
    bool structure;
    // Readies the target folder and returns it; `disk` is the small disk's folder.
    std::function<fs::path(const fs::path& scratch, const fs::path& disk)> target;
    const char* err;  // with @ for the target folder
    std::vector<std::string> written;
};

std::string withTarget(std::string text, const std::string& target) {
    for (std::size_t at = text.find('@'); at != std::string::npos; at = text.find('@', at)) {
        text.replace(at, 1, target);
        at += target.size();
    }
    return text;
}

TEST(ExtractionStops, AtTheFirstFailureEveryEntryWouldMeetAndGoesOnPastOneEntrysOwn) {
    test::TempDir dir;
    std::vector<test::StoredFile> files;
    for (int i = 0; i < 339; ++i) files.push_back({"F\\e" + std::to_string(i) + ".txt", "e"});
    const std::string many = (dir.path() / "many.pod").string();
    test::writeArchive(many, test::ArchiveLayout::POD, files);
    const std::string clash = (dir.path() / "clash.pod").string();
    test::writeArchive(clash, test::ArchiveLayout::POD,
                       {{"D\\one.txt", "1"}, {"two.txt", "2"}, {"D\\three.txt", "3"}});

    const std::vector<Refusing> cases = {
        {"a read-only disk",
         many,
         true,
         false,
         [](const fs::path&, const fs::path& disk) { return disk; },
         "kelvane-cli: stopped after writing 0 of 339 entries: "
         "Cannot create file @/e0.txt: Read-only file system\n",
         {}},
        {"a read-only disk, levels kept",
         many,
         true,
         true,
         [](const fs::path&, const fs::path& disk) { return disk; },
         "kelvane-cli: stopped after writing 0 of 339 entries: "
         "Cannot create file @/F/e0.txt: Read-only file system\n",
         {}},
        {"a folder that cannot be made",
         many,
         false,
         false,
         [](const fs::path& scratch, const fs::path&) {
             test::writeFile(scratch / "file", "");
             return scratch / "file" / "out";
         },
         "kelvane-cli: stopped after writing 0 of 339 entries: "
         "Cannot create file @/e0.txt: Not a directory\n",
         {}},
        {"a file where one entry's level goes",
         clash,
         false,
         true,
         [](const fs::path& scratch, const fs::path&) {
             test::writeFile(scratch / "D", "in the way");
             return scratch;
         },
         "kelvane-cli: Cannot create file @/D/one.txt: Not a directory\n"
         "kelvane-cli: Cannot create file @/D/three.txt: Not a directory\n",
         {"D", "two.txt"}},
    };
    test::SmallDisk disk(64 * 1024);
    if (disk.mounted()) disk.makeReadOnly();
    for (const Refusing& refusing : cases) {
        SCOPED_TRACE(refusing.what);
        if (refusing.onSmallDisk && !disk.mounted()) continue;
        test::TempDir scratch;
        const fs::path target = refusing.target(scratch.path(), disk.path());
        cli::Arguments args = {"extract", refusing.archive, target.string()};
        if (refusing.structure) args.insert(args.begin() + 1, "--structure");
        const test::CliRun done = test::run(args);
        EXPECT_EQ(done.status, 1);
        EXPECT_EQ(done.err, withTarget(refusing.err, target.string()));
        if (fs::is_directory(target)) {
            EXPECT_EQ(test::namesIn(target), refusing.written);
        }
    }
    if (!disk.mounted()) GTEST_SKIP() << disk.refusal();
}

}  // namespace
}  // namespace kelvane
