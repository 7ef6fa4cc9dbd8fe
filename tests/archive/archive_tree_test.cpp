#include "archive/archive_tree.h"

#include <gtest/gtest.h>

namespace kelvane {
namespace {

std::vector<CatalogueEntry> entries(const std::vector<std::string>& names) {
    std::vector<CatalogueEntry> catalogue;
    for (const std::string& name : names) {
        CatalogueEntry entry;
        entry.name = name;
        entry.index = int(catalogue.size());
        catalogue.push_back(entry);
    }
    return catalogue;
}

// Every file of the tree as "path=entry number", in tree order.
std::vector<std::string> files(const ArchiveTree& tree, int id = ArchiveTree::kRoot) {
    std::vector<std::string> found;
    for (int child : tree.node(id).children) {
        if (tree.node(child).isFolder()) {
            for (std::string& f : files(tree, child)) found.push_back(std::move(f));
        } else {
            found.push_back(tree.pathOf(child) + "=" + std::to_string(tree.node(child).entry + 1));
        }
    }
    return found;
}

TEST(ArchiveTree, FoldersFromBackslashAndColonNamesInUtf8) {
    const ArchiveTree tree(entries(
        {"ART\\PANEL\\gauge.tga", "ART\\caf\xE9.tga", "disk:x.txt", "a/b.txt", "ART\\\\two.txt"}));
    EXPECT_EQ(files(tree),
              (std::vector<std::string>{"ART/PANEL/gauge.tga=1", "ART/café.tga=2", "ART/two.txt=5",
                                        "a_b.txt=4", "disk/x.txt=3"}));
    EXPECT_TRUE(tree.leftOut().empty());
    const auto panel = tree.find("ART/PANEL");
    ASSERT_TRUE(panel);
    EXPECT_TRUE(tree.node(*panel).isFolder());
    EXPECT_EQ(tree.node(*tree.find("ART/PANEL/gauge.tga")).parent, *panel);
    EXPECT_EQ(tree.find(""), ArchiveTree::kRoot);
    EXPECT_EQ(tree.find("/ART//PANEL/"), panel);
    for (const char* missing : {"art", "ART/PANEL/gauge.tga/x", "ART/nothing", "ART\\PANEL"}) {
        EXPECT_FALSE(tree.find(missing)) << missing;
    }
}

TEST(ArchiveTree, LeavesOutWhatCannotBeShownAndSaysWhy) {
    using Reason = LeftOutEntry::Reason;
    const ArchiveTree tree(entries({
        "..\\evil.txt",            // 1: leaves the folder
        "C:\\boot.ini",            // 2: a drive
        "dir\\",                   // 3: no file name
        "same.txt",                // 4: replaced by 5
        "same.txt",                // 5
        "ART",                     // 6: a file where a folder must be
        "ART\\a.tga",              // 7
        "ART\\a.tga\\deeper.tga",  // 8: turns 7 into a folder
        "ART\\a.tga",              // 9: a file where that folder is
        std::string(300, 'n'),     // 10: too long for a file name
    }));
    EXPECT_EQ(files(tree), (std::vector<std::string>{"ART/a.tga/deeper.tga=8", "same.txt=5"}));
    const std::vector<std::pair<int, Reason>> expected = {
        {0, Reason::UnsafeName},   {1, Reason::UnsafeName},   {2, Reason::NoFileName},
        {3, Reason::Replaced},     {5, Reason::FolderOfName}, {6, Reason::FolderOfName},
        {8, Reason::FolderOfName}, {9, Reason::NoFileName}};
    ASSERT_EQ(tree.leftOut().size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(tree.leftOut()[i].entry, expected[i].first) << i;
        EXPECT_EQ(tree.leftOut()[i].reason, expected[i].second) << i;
    }
    EXPECT_EQ(tree.leftOut()[3].by, 4);
}

}  // namespace
}  // namespace kelvane
