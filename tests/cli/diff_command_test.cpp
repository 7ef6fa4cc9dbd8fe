// kelvane-cli diff: what it prints and the status it exits with, as diff and cmp do.
#include <gtest/gtest.h>

#include "tests/cli/cli_run.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::ArchiveLayout;
using test::run;

class DiffCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        test::writeArchive(path("old.pod"), ArchiveLayout::POD3,
                           {{"A.TXT", "alpha"}, {"GONE", "x"}, {"D\\\xE9.BIN", "12"}});
        test::writeArchive(path("new.pod"), ArchiveLayout::POD1,
                           {{"d\\\xE9.bin", "13"}, {"NEW", "n"}, {"A.TXT", "alpha!"}});
        // The last entry's data cut off: only a read of it notices, one without a checksum to
        // compare against.
        std::string bytes = test::buildArchive(ArchiveLayout::EPD, {{"A.TXT", "alphb"}});
        bytes.resize(bytes.size() - 2);
        test::writeFile(path("cut.epd"), bytes);
        test::writeArchive(path("whole.pod"), ArchiveLayout::POD1, {{"A.TXT", "alpha"}});
        test::writeFile(path("junk.pod"), "POD3 and nothing else");
    }
    std::string path(const char* name) const { return (dir_.path() / name).string(); }

    test::TempDir dir_;
};

TEST_F(DiffCommand, ListsTheDifferencesAndExitsAsDiffDoes) {
    const struct {
        std::vector<const char*> args;  // archives by name in the test folder, options as such
        int status;
        const char* out;
        const char* errStart;
    } cases[] = {
        {{"old.pod", "old.pod"}, 0, "0 added, 0 removed, 0 changed, 3 the same\n", ""},
        {{"old.pod", "new.pod"},
         1,
         "M A.TXT (5 -> 6)\nM d\\\xC3\xA9.bin (2 -> 2)\n- GONE\n+ NEW\n"
         "1 added, 1 removed, 2 changed, 0 the same\n",
         ""},
        {{"cut.epd", "whole.pod"}, 2, "", "kelvane-cli: cut.epd: Entry"},
        {{"junk.pod", "old.pod"}, 2, "", "kelvane-cli: junk.pod: "},
        {{"old.pod", "missing.pod"}, 2, "", "kelvane-cli: missing.pod: "},
        {{"old.pod"}, 2, "", "kelvane-cli diff: expects two archives\nusage: kelvane-cli diff"},
        {{"-q", "old.pod", "new.pod"}, 2, "", "kelvane-cli diff: unknown option -q\n"},
    };
    for (const auto& c : cases) {
        cli::Arguments args = {"diff"};
        for (const char* arg : c.args) args.push_back(arg[0] == '-' ? arg : path(arg));
        SCOPED_TRACE(args.back());
        const test::CliRun result = run(args);
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(result.out, c.out);
        std::string err = result.err;
        for (const char* arg : c.args) {  // the folder left out of the names printed
            const std::string full = path(arg);
            for (auto at = err.find(full); at != std::string::npos; at = err.find(full))
                err.replace(at, full.size(), arg);
        }
        EXPECT_EQ(err.substr(0, std::string(c.errStart).size()), c.errStart) << result.err;
        EXPECT_EQ(err.empty(), *c.errStart == '\0') << result.err;
    }
}

TEST_F(DiffCommand, JsonHoldsTheListsAndCounts) {
    const test::CliRun result = run({"diff", "--json", path("old.pod"), path("new.pod")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out,
              "{\"old\":\"" + path("old.pod") + "\",\"new\":\"" + path("new.pod") +
                  "\",\"identical\":false,\"added\":1,\"removed\":1,\"changed\":2,\"same\":0,"
                  "\"differences\":["
                  "{\"change\":\"changed\",\"name\":\"A.TXT\",\"old_size\":5,\"new_size\":6},"
                  "{\"change\":\"changed\",\"name\":\"d\\\\\xC3\xA9.bin\",\"old_size\":2,"
                  "\"new_size\":2},"
                  "{\"change\":\"removed\",\"name\":\"GONE\",\"old_size\":1,\"new_size\":null},"
                  "{\"change\":\"added\",\"name\":\"NEW\",\"old_size\":null,\"new_size\":1}]}\n");
}

}  // namespace
}  // namespace kelvane
