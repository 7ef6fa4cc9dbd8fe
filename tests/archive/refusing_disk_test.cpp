#include <gtest/gtest.h>

#include <functional>

#include "archive/pod_reader.h"
#include "platform/atomic_output_file.h"
#include "platform/bilingual_error.h"
#include "tests/support/archive_builder.h"
#include "tests/support/small_disk.h"

namespace kelvane {
namespace {

// A disk that refuses the extracted file, and what the refusal says: the disk is full, or
// the file cannot be created for `reason`. Either way every later file would fail too.
struct Refusal {
    const char* what;
    std::size_t inodes;
    std::function<void(test::SmallDisk&)> refuse;
    bool diskFull;
    const char* reason;
};

TEST(ExtractionOnARefusingDisk, KeepsTheUsersFileAndLeavesNothingBehind) {
    const std::vector<Refusal> refusals = {
        {"no space left", 0, [](test::SmallDisk& disk) { disk.fillSpace(); }, true, ""},
        {"no inode left", 16, [](test::SmallDisk& disk) { disk.fillInodes(); }, true, ""},
        {"read-only", 0, [](test::SmallDisk& disk) { disk.makeReadOnly(); }, false,
         "Read-only file system"},
    };
    test::TempDir dir;
    const std::string archivePath = (dir.path() / "a.pod").string();
    test::writeArchive(archivePath, test::ArchiveLayout::POD,
                       {{"DATA\\user.txt", std::string(20000, 'n')}});
    TPOD pod(archivePath);
    pod.ReadHeaderAndDirectory();

    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        test::SmallDisk disk(64 * 1024, refusal.inodes);
        if (!disk.mounted()) GTEST_SKIP() << disk.refusal();
        test::writeFile(disk.path() / "user.txt", "the user's own bytes");
        refusal.refuse(disk);
        const std::size_t descriptors = test::openDescriptorCount();
        const std::string target = disk.path().string() + "/user.txt";
        try {
            pod.Extract(0, disk.withSeparator(), StoredPath::Drop);
            ADD_FAILURE() << "extracted";
        } catch (const DiskFull& full) {
            EXPECT_TRUE(refusal.diskFull);
            EXPECT_EQ(full.english(), "The disk is full: " + target + " could not be written.");
            EXPECT_TRUE(failsEveryFile(full));
        } catch (const std::runtime_error& error) {
            EXPECT_FALSE(refusal.diskFull);
            EXPECT_EQ(error.what(), "Cannot create file " + target + ": " + refusal.reason);
            EXPECT_TRUE(failsEveryFile(error));
        }
        EXPECT_EQ(test::readFile(target), "the user's own bytes");
        EXPECT_EQ(disk.names(), std::vector<std::string>{"user.txt"});
        EXPECT_EQ(test::openDescriptorCount(), descriptors);
    }
}

}  // namespace
}  // namespace kelvane
