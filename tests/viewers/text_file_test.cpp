#include "viewers/text_file.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

TEST(TextFile, LinesInUtf8) {
    test::TempDir dir;
    const auto path = dir.path() / "notes.txt";
    test::writeFile(path, "");
    EXPECT_EQ(readTextLines(path.string()), "");
    // Every line ending becomes one '\n'; only the final break is dropped.
    test::writeFile(path, "Caf\xE9\r\nb\rc\n\nd\r\n");
    EXPECT_EQ(readTextLines(path.string()), "Café\nb\nc\n\nd");
    EXPECT_THROW(readTextLines((dir.path() / "missing.txt").string()), std::runtime_error);
    EXPECT_THROW(readTextLines(dir.path().string()), std::runtime_error);
}

}  // namespace
}  // namespace kelvane
