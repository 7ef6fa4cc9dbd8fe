// extract and cat with shell-style patterns for stored names.
#include <gtest/gtest.h>

#include "tests/cli/cli_run.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::run;

TEST(EntryPatterns, ExtractAndCatSelectByPattern) {
    test::TempDir dir;
    const std::string archive = (dir.path() / "a.pod").string();
    test::writeArchive(archive, test::ArchiveLayout::POD4,
                       {{"ART\\sky.raw", "S"},
                        {"ART\\PANEL\\gauge.RAW", "G"},
                        {"ART\\sea.act", "A"},
                        {"readme.txt", "R"},
                        {"ART*", "literal"}});
    struct Case {
        std::vector<std::string> wanted;
        std::vector<std::string> extracted;  // final names, in directory order
    };
    for (const Case& c : {
             Case{{"art\\*.RAW"}, {"sky.raw"}},
             {{"ART\\**.raw"}, {"sky.raw", "gauge.RAW"}},
             {{"*.txt", "ART\\s*"}, {"sky.raw", "sea.act", "readme.txt"}},
             {{"ART\\s??.*", "1"}, {"ART\\sky.raw", "ART\\sea.act"}},  // 1 is ART\sky.raw again
             {{"README.TXT"}, {"readme.txt"}},
             {{"ART*"}, {"ART*"}},  // an exact name comes before the pattern
         }) {
        test::TempDir out;
        const test::CliRun extract = [&] {
            cli::Arguments args = {"extract", archive, out.path().string()};
            args.insert(args.end(), c.wanted.begin(), c.wanted.end());
            return run(args);
        }();
        EXPECT_EQ(extract.status, 0) << extract.err;
        std::vector<std::string> names;
        std::istringstream lines(extract.out);
        for (std::string line; std::getline(lines, line);) {
            names.push_back(line.substr(out.withSeparator().size()));
        }
        std::vector<std::string> expected;
        for (const std::string& name : c.extracted) {
            expected.push_back(name.substr(name.find_last_of('\\') + 1));
        }
        EXPECT_EQ(names, expected) << c.wanted[0];
    }
    const test::CliRun cat = run({"cat", archive, "ART\\s*", "readme.txt", "*.TXT"});
    EXPECT_EQ(cat.status, 0);
    EXPECT_EQ(cat.out, "SARR");
    const test::CliRun none = run({"cat", archive, "*.wav"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "kelvane-cli: no entry *.wav in " + archive + "\n");
    EXPECT_EQ(none.out, "");
    test::TempDir out;
    EXPECT_EQ(run({"extract", archive, out.path().string(), "*.txt", "*.wav"}).status, 1);
    EXPECT_TRUE(test::namesIn(out.path()).empty());  // nothing written before the refusal
}

TEST(EntryPatterns, DeleteSelectsAsExtractAndChangesNothingWhenNothingMatches) {
    test::TempDir dir;
    const std::string archive = (dir.path() / "a.pod").string();
    const std::vector<test::StoredFile> files = {
        {"ART\\sky.raw", "S"}, {"A[1].TXT", "1"}, {"readme.txt", "R"}, {"ART\\sea.act", "A"}};
    struct Case {
        std::vector<std::string> wanted;
        std::vector<std::string> kept;  // empty: refused, the archive unchanged
    };
    for (const Case& c : {
             Case{{"2", "ART\\sea.act"}, {"ART\\sky.raw", "readme.txt"}},
             {{"a[1].txt"}, {"ART\\sky.raw", "readme.txt", "ART\\sea.act"}},  // case-blind name
             {{"art\\s*"}, {"A[1].TXT", "readme.txt"}},
             {{"README.TXT", "**.RAW"}, {"A[1].TXT", "ART\\sea.act"}},
             {{"readme.txt", "*.wav"}, {}},
             {{"5"}, {}},
         }) {
        SCOPED_TRACE(c.wanted[0]);
        test::writeArchive(archive, test::ArchiveLayout::POD3, files);
        const std::string before = test::readFile(archive);
        cli::Arguments args = {"delete", archive};
        args.insert(args.end(), c.wanted.begin(), c.wanted.end());
        const test::CliRun deleted = run(args);
        if (c.kept.empty()) {
            EXPECT_EQ(deleted.status, 1);
            EXPECT_NE(deleted.err.find("kelvane-cli: no entry "), std::string::npos);
            EXPECT_EQ(test::readFile(archive), before);
            continue;
        }
        EXPECT_EQ(deleted.status, 0) << deleted.err;
        std::vector<std::string> kept;
        std::istringstream lines(run({"list", archive}).out);
        for (std::string line; std::getline(lines, line);)
            kept.push_back(line.substr(line.rfind('\t') + 1));
        EXPECT_EQ(kept, c.kept);
    }
}

}  // namespace
}  // namespace kelvane
