// Two archives compared entry by entry, whatever their layouts.
#include "archive/archive_diff.h"

#include <gtest/gtest.h>

#include "archive/pod_reader.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::ArchiveLayout;
using test::ArchiveOptions;
using test::Compression;
using test::StoredFile;

// The differences as "+NAME", "-NAME" and "MNAME old->new", then the counts.
std::string described(const ArchiveDiff& diff) {
    std::string text;
    for (const EntryDifference& difference : diff.differences) {
        switch (difference.kind) {
            case EntryDifference::Kind::Added:
                text += "+" + difference.name + " ";
                break;
            case EntryDifference::Kind::Removed:
                text += "-" + difference.name + " ";
                break;
            case EntryDifference::Kind::Changed:
                text += "M" + difference.name + " " + std::to_string(difference.oldSize) + "->" +
                        std::to_string(difference.newSize) + " ";
                break;
        }
    }
    return text + std::to_string(diff.added) + "/" + std::to_string(diff.removed) + "/" +
           std::to_string(diff.changed) + "/" + std::to_string(diff.same);
}

struct Side {
    ArchiveLayout layout;
    std::vector<StoredFile> files;
    ArchiveOptions options = {};
};

ArchiveOptions options(Compression compression, bool checksumInflated) {
    ArchiveOptions options;
    options.compression = compression;
    options.checksumInflated = checksumInflated;
    return options;
}

ArchiveOptions wrongChecksums() {
    ArchiveOptions options;
    options.badChecksums = true;
    return options;
}

struct DiffCase {
    const char* name;
    Side older, newer;
    const char* expected;
};

const std::vector<StoredFile> kThree = {{"A.TXT", "alpha"}, {"B\\C.BIN", "bravo!"}, {"D", ""}};

std::unique_ptr<TPOD> written(const test::TempDir& dir, const std::string& stem, const Side& side) {
    const auto path = dir.path() / (stem + (side.layout == ArchiveLayout::EPD ? ".epd" : ".pod"));
    test::writeArchive(path, side.layout, side.files, side.options);
    return openAndRead(path.string());
}

TEST(ArchiveDiff, FindsWhatChangedWhateverTheLayouts) {
    const DiffCase cases[] = {
        {"same POD3", {ArchiveLayout::POD3, kThree}, {ArchiveLayout::POD3, kThree}, "0/0/0/3"},
        {"POD2 rebuilt as POD3",
         {ArchiveLayout::POD, kThree},
         {ArchiveLayout::POD3, kThree},
         "0/0/0/3"},
        {"EPD against POD6",
         {ArchiveLayout::EPD, kThree},
         {ArchiveLayout::POD6, kThree},
         "0/0/0/3"},
        {"added, removed, changed by size",
         {ArchiveLayout::POD3, {{"A.TXT", "alpha"}, {"GONE", "x"}, {"D", "1"}}},
         {ArchiveLayout::POD3, {{"NEW", "n"}, {"A.TXT", "alpha"}, {"D", "12"}}},
         "MD 1->2 -GONE +NEW 1/1/1/1"},
        {"equal size, other bytes, both with checksums",
         {ArchiveLayout::POD3, {{"A", "abc"}, {"B", "xyz"}}},
         {ArchiveLayout::EPD, {{"A", "abd"}, {"B", "xyz"}}},
         "MA 3->3 0/0/1/1"},
        {"equal size, other bytes, without checksums",
         {ArchiveLayout::POD1, {{"A", "abc"}, {"B", "xyz"}}},
         {ArchiveLayout::POD1, {{"A", "abd"}, {"B", "xyz"}}},
         "MA 3->3 0/0/1/1"},
        {"equal size, other bytes, checksum on one side only",
         {ArchiveLayout::POD3, {{"A", "abc"}, {"B", "xyz"}}},
         {ArchiveLayout::POD6, {{"A", "abc"}, {"B", "xya"}}},
         "MB 3->3 0/0/1/1"},
        // Deflated otherwise, the stored bytes and their checksums differ; the content does not.
        {"compressed otherwise",
         {ArchiveLayout::POD4, kThree},
         {ArchiveLayout::POD5, kThree, options(Compression::RawDeflate, false)},
         "0/0/0/3"},
        {"compressed, other bytes",
         {ArchiveLayout::POD4, {{"A", std::string(5000, 'a')}}},
         {ArchiveLayout::POD4,
          {{"A", std::string(4999, 'a') + "b"}},
          options(Compression::Zlib, true)},
         "MA 5000->5000 0/0/1/0"},
        {"moved and renamed in case only",
         {ArchiveLayout::POD3, {{"a.txt", "alpha"}, {"b", "bravo"}}},
         {ArchiveLayout::POD1, {{"B", "bravo"}, {"A.TXT", "alpha"}}},
         "0/0/0/2"},
        {"accented names match case-blind",
         {ArchiveLayout::POD3, {{"\xE9t\xE9", "summer"}}},
         {ArchiveLayout::POD3, {{"\xC9T\xC9", "summer"}}},
         "0/0/0/1"},
        {"duplicate names paired in directory order",
         {ArchiveLayout::POD, {{"X", "1"}, {"Y", "y"}, {"X", "22"}, {"X", "333"}}},
         {ArchiveLayout::POD1, {{"x", "1"}, {"X", "23"}}},
         "MX 2->2 -X -Y 0/2/1/1"},
        {"the names listed in the same order up to a point",
         {ArchiveLayout::POD1, {{"B", "1"}, {"X", "1"}, {"A", "a"}, {"X", "2"}}},
         {ArchiveLayout::POD1, {{"B", "2"}, {"X", "9"}, {"C", "c"}, {"X", "2"}}},
         "-A MB 1->1 +C MX 1->1 1/1/2/1"},
        // The checksums decide where both records hold one: the data are not read.
        {"other checksums on both sides",
         {ArchiveLayout::POD3, kThree},
         {ArchiveLayout::EPD, kThree, wrongChecksums()},
         "MA.TXT 5->5 MB\\C.BIN 6->6 MD 0->0 0/0/3/0"},
        {"empty against empty", {ArchiveLayout::POD3, {}}, {ArchiveLayout::EPD, {}}, "0/0/0/0"},
    };
    for (const DiffCase& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const auto older = written(dir, "old", c.older);
        const auto newer = written(dir, "new", c.newer);
        EXPECT_EQ(described(diffArchives(*older, *newer)), c.expected);
    }
}

}  // namespace
}  // namespace kelvane
