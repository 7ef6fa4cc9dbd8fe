#include "viewers/viewing_area.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

// The common roads (free name, taken name, levels, no working directory) are driven through
// the main window's viewing tests.
TEST(ViewingArea, ADanglingLinkCountsAsTakenAndAFolderThatCannotBeMadeIsReported) {
    test::TempDir work;
    fs::create_symlink(work.path() / "nowhere", work.path() / "LINK.TXT");
    std::string folder;
    {
        ViewingArea area(work.withSeparator());
        folder = area.claim({"LINK.TXT"});
        EXPECT_NE(folder, work.withSeparator());
        test::writeFile(folder + "LINK.TXT", "copy");
    }
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::is_symlink(work.path() / "LINK.TXT"));
    EXPECT_FALSE(fs::exists(work.path() / "nowhere"));

    ViewingArea missing((work.path() / "absent").string());
    EXPECT_THROW(missing.privateFolder(), std::runtime_error);
}

}  // namespace
}  // namespace kelvane
