#include "viewers/viewing_area.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::writeFile;

TEST(ViewingArea, CopiesGoBesideTheUsersFilesOnlyWhenTheNameIsFree) {
    test::TempDir work;
    writeFile(work.path() / "TAKEN.TXT", "mine");
    fs::create_directory(work.path() / "OLD");
    std::string privateFolder;
    {
        // No trailing separator: one is added.
        ViewingArea area(work.path().string());
        EXPECT_EQ(area.claim({"FREE.TXT"}), work.withSeparator());
        writeFile(work.path() / "FREE.TXT", "copy");

        // Levels: the new one goes with the area, the existing one stays.
        EXPECT_EQ(area.claim({"OLD", "NEW", "DEEP.TXT"}), work.withSeparator());
        fs::create_directories(work.path() / "OLD" / "NEW");
        writeFile(work.path() / "OLD" / "NEW" / "DEEP.TXT", "copy");

        privateFolder = area.claim({"TAKEN.TXT"});
        EXPECT_EQ(privateFolder, area.privateFolder());
        EXPECT_EQ(fs::path(privateFolder).parent_path().parent_path(), work.path());
        EXPECT_TRUE(fs::is_directory(privateFolder));
        writeFile(privateFolder + "TAKEN.TXT", "copy");
        writeFile(privateFolder + "OTHER.BMP", "picture");
    }
    EXPECT_EQ(readFile(work.path() / "TAKEN.TXT"), "mine");
    EXPECT_FALSE(fs::exists(work.path() / "FREE.TXT"));
    EXPECT_FALSE(fs::exists(work.path() / "OLD" / "NEW"));
    EXPECT_TRUE(fs::is_directory(work.path() / "OLD"));
    EXPECT_FALSE(fs::exists(privateFolder));
    EXPECT_EQ(std::distance(fs::directory_iterator(work.path()), fs::directory_iterator()), 2);
}

TEST(ViewingArea, ADanglingLinkCountsAsTakenAndNoWorkingDirectoryMeansTheTemporaryFolder) {
    test::TempDir work;
    fs::create_symlink(work.path() / "nowhere", work.path() / "LINK.TXT");
    std::string folder;
    {
        ViewingArea area(work.withSeparator());
        EXPECT_NE(area.claim({"LINK.TXT"}), work.withSeparator());
        ViewingArea unset("");
        folder = unset.claim({"A.TXT"});
        EXPECT_EQ(fs::path(folder).parent_path().parent_path(), fs::temp_directory_path());
    }
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::is_symlink(work.path() / "LINK.TXT"));

    ViewingArea missing((work.path() / "absent").string());
    EXPECT_THROW(missing.privateFolder(), std::runtime_error);
}

}  // namespace
}  // namespace kelvane
