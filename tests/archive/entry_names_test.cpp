#include "archive/entry_names.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

TEST(EntryNames, SplitAtLastBackslashOrColon) {
    EXPECT_EQ(directoryPart("ART\\PANEL\\gauge.tga"), "ART\\PANEL\\");
    EXPECT_EQ(filePart("ART\\PANEL\\gauge.tga"), "gauge.tga");
    EXPECT_EQ(directoryPart("disk:file.txt"), "disk:");
    EXPECT_EQ(directoryPart("a\\b:c"), "a\\b:");
    EXPECT_EQ(directoryPart("slash/only.txt"), "");  // a forward slash does not split
    EXPECT_EQ(filePart("slash/only.txt"), "slash/only.txt");
    EXPECT_EQ(filePart("dir\\"), "");
}

TEST(EntryNames, SafeComponentsBecomeNativePath) {
    EXPECT_EQ(safeComponents("a\\b:c.txt"), (std::vector<std::string>{"a", "b", "c.txt"}));
    EXPECT_EQ(safeComponents("a\\\\b.txt"), (std::vector<std::string>{"a", "b.txt"}));
    EXPECT_EQ(safeComponents("R\xE9pertoire\\f.txt"),
              (std::vector<std::string>{"Répertoire", "f.txt"}));
    EXPECT_EQ(safeComponents("x/y.txt"), (std::vector<std::string>{"x_y.txt"}));
    for (const char* unsafe : {"..", "a\\..\\b", ".\\x", "\\root", ":x", "C:\\x", "c:x"}) {
        EXPECT_THROW(safeComponents(unsafe), UnsafeEntryName) << unsafe;
    }
    EXPECT_THROW(safeComponents(std::string_view("a\\b\0c.txt", 9)), UnsafeEntryName);
    try {
        safeComponents("..\\secret");
    } catch (const UnsafeEntryName& error) {
        EXPECT_NE(std::string(error.what()).find("..\\secret"), std::string::npos);
    }
}

}  // namespace
}  // namespace kelvane
