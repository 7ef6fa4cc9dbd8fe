// The folder search a window drives: archives in order, and a stop when the caller asks.
#include <gtest/gtest.h>

#include "archive/archive_search.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

TEST(ArchiveSearch, ReportsArchivesInPathOrderAndStopsWhenTheCallerSaysSo) {
    test::TempDir dir;
    for (const char* name : {"b.pod", "a/z.pod", "A.EPD", "c.pod"}) {
        std::filesystem::create_directories((dir.path() / name).parent_path());
        const bool epd = std::string_view(name).ends_with(".EPD");
        test::writeArchive(dir.path() / name,
                           epd ? test::ArchiveLayout::EPD : test::ArchiveLayout::POD3,
                           {{"x.txt", "x"}, {"DATA\\Y.TXT", "y"}});
    }
    const EntryPatterns wanted({"y.txt"});
    for (const std::size_t stopAfter : {std::size_t(2), std::size_t(9)}) {
        std::vector<std::string> seen;
        const bool whole = searchArchives(dir.path().string(), wanted, [&](const auto& found) {
            EXPECT_EQ(found.matches, std::vector<int>{1}) << found.relative;
            seen.push_back(found.relative);
            return seen.size() < stopAfter;
        });
        const std::vector<std::string> all = {"A.EPD", "a/z.pod", "b.pod", "c.pod"};
        EXPECT_EQ(whole, stopAfter > all.size());
        EXPECT_EQ(seen, std::vector<std::string>(all.begin(),
                                                 all.begin() + std::min(stopAfter, all.size())));
    }
}

}  // namespace
}  // namespace kelvane
