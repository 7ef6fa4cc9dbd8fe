#include <gtest/gtest.h>

#include "browser/folder_index.h"
#include "browser/listing_filter.h"

namespace kelvane::test {
namespace {

TEST(ListingFilter, KeepsNamesContainingTheTextCaseBlindWithWildcards) {
    struct Case {
        const char* typed;  // UTF-8
        const char* name;   // Windows-1252
        bool kept;
    };
    const Case cases[] = {
        {"", "anything", true},
        {"tex", "ART\\TEX01.RAW", true},
        {"TEX", "art\\tex01.raw", true},
        {"\xC3\xA9t\xC3\xA9", "SONS\\\xC9T\xC9.WAV", true},  // été matches ÉTÉ
        {"*.raw", "ART\\TEX01.RAW", true},
        {"art\\*.raw", "ART\\SUB\\A.RAW", true},
        {"art\\*.raw", "ART\\A.ACT", false},
        {"t?x", "TEX", true},
        {"t?x", "TX", false},
        {"a*b*c", "xxAyyByyCxx", true},
        {"a*b*c", "xxAyyCyyBxx", false},
        {"??", "A", false},
        {"*", "", true},
        {"missing", "ART\\TEX01.RAW", false},
        {"[1]", "TEX[1].RAW", true},  // brackets are plain characters
        // Letters a stored name cannot hold match nothing, not any character.
        {"\xCE\xA9", "ART\\TEX01.RAW", false},
        {"*\xE6\x97\xA5\xE6\x9C\xAC", "A.TXT", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ListingFilter(c.typed).keeps(c.name), c.kept) << c.typed << " / " << c.name;
    }
}

std::vector<CatalogueEntry> entriesNamed(std::initializer_list<const char*> names) {
    std::vector<CatalogueEntry> entries;
    for (const char* name : names) entries.push_back({.name = name, .index = int(entries.size())});
    return entries;
}

TEST(FolderIndex, FoldersInNameOrderWithCountsAndRanges) {
    const auto entries =
        entriesNamed({"root.txt", "ART\\b.raw", "sons\\x.wav", "art\\SUB\\c.raw", "C:a.txt",
                      "Art\\d.raw", "c:\\deep\\e.txt", "MAPS\\B.TXT", "Maps\\C.TXT", "MAPS:A.TXT",
                      "MAPS:SUB\\D.TXT", "\\LEAD.TXT", "MAPS\\\\E.TXT"});
    const FolderIndex index(entries);
    struct Expected {
        const char* name;
        int parent;
        int entriesBelow;
    };
    // Tree order: ART (as first met) with SUB, C (from "C:" and "c:\"), MAPS (reached through
    // a colon and a backslash, in any case) with SUB, then sons; a leading or doubled
    // backslash adds no folder.
    const Expected expected[] = {{"", -1, 13},   {"ART", 0, 3},  {"SUB", 1, 1}, {"C", 0, 2},
                                 {"deep", 3, 1}, {"MAPS", 0, 5}, {"SUB", 5, 1}, {"sons", 0, 1}};
    ASSERT_EQ(index.folders().size(), std::size(expected));
    for (std::size_t id = 0; id < std::size(expected); ++id) {
        const FolderIndex::Folder& folder = index.folders()[id];
        EXPECT_EQ(folder.name, expected[id].name) << id;
        EXPECT_EQ(folder.parent, expected[id].parent) << id;
        EXPECT_EQ(folder.entriesBelow, expected[id].entriesBelow) << id;
    }
    const int folderOfRow[] = {0, 1, 7, 2, 3, 1, 4, 5, 5, 5, 6, 0, 5};
    for (int row = 0; row < int(entries.size()); ++row) {
        EXPECT_EQ(index.folderOf(row), folderOfRow[row]) << row;
        EXPECT_TRUE(index.holds(0, row));
    }
    EXPECT_TRUE(index.holds(1, 3));   // ART holds ART\SUB\c.raw
    EXPECT_FALSE(index.holds(2, 1));  // SUB does not hold ART\b.raw
    EXPECT_FALSE(index.holds(1, 4));

    EXPECT_EQ(FolderIndex(entriesNamed({})).folders().size(), 1u);
}

}  // namespace
}  // namespace kelvane::test
