// find: which archives under a folder hold the entries asked for.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "tests/cli/cli_run.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::ArchiveLayout;
using test::run;

// Archives of every layout, one in a sub-folder, one under a name that is not UTF-8, beside
// a damaged archive, a .POD that is no archive, a text file and a link back up the tree.
struct SearchedFolder {
    test::TempDir dir;
    std::string path = dir.path().string();

    SearchedFolder() {
        const std::filesystem::path root = dir.path();
        std::filesystem::create_directories(root / "sub");
        const auto write = [&](const std::string& name, ArchiveLayout layout) {
            test::writeArchive(root / name, layout,
                               {{"ART\\PANEL.TGA", "panel", 1000},
                                {"readme.txt", "read me", 2000},
                                {"art\\sky\\panel.tga", "sky", 3000}});
        };
        write("p1.pod", ArchiveLayout::POD1);
        write("sub/p2.POD", ArchiveLayout::POD);
        write("p3.pod", ArchiveLayout::POD3);
        write("e.Epd", ArchiveLayout::EPD);
        write("p4.pod", ArchiveLayout::POD4);
        write("p5.pod", ArchiveLayout::POD5);
        write("p6.pod", ArchiveLayout::POD6);
        test::writeArchive(root / "\xe9t\xe9.pod", ArchiveLayout::POD3, {{"other.wav", "w"}});
        const std::string whole = test::buildArchive(ArchiveLayout::POD3, {{"PANEL.TGA", "x"}});
        test::writeFile(root / "bad.pod", whole.substr(0, whole.size() - 20));
        test::writeFile(root / "text.pod", "not an archive at all");
        test::writeFile(root / "notes.txt", "PANEL.TGA");
        std::filesystem::create_directory_symlink("..", root / "sub" / "loop");
    }
};

// The lines find prints for entries `numbers` (1 ART\PANEL.TGA, 2 readme.txt,
// 3 art\sky\panel.tga) of every archive of the folder, in the order of their paths.
std::string linesFor(const std::vector<int>& numbers) {
    struct Archive {
        const char* path;
        bool timestamps;
    };
    static const char* const kNames[] = {"ART\\PANEL.TGA", "readme.txt", "art\\sky\\panel.tga"};
    static const int kSizes[] = {5, 7, 3};
    std::string lines;
    for (const Archive& archive : {Archive{"e.Epd", true},
                                   {"p1.pod", false},
                                   {"p3.pod", true},
                                   {"p4.pod", true},
                                   {"p5.pod", true},
                                   {"p6.pod", false},
                                   {"sub/p2.POD", true}}) {
        for (int number : numbers) {
            lines += std::string(archive.path) + '\t' + std::to_string(number) + '\t' +
                     std::to_string(kSizes[number - 1]) + '\t' +
                     (archive.timestamps ? std::to_string(number * 1000) : "0") + '\t' +
                     kNames[number - 1] + '\n';
        }
    }
    return lines;
}

TEST(FindCommand, PrintsEveryMatchingEntryAndNamesTheArchivesItCannotRead) {
    SearchedFolder folder;
    const std::string errors =
        "kelvane-cli find: bad.pod: Stream read error: the POD3 directory ends past the end of "
        "the file (at byte 320 of a file of 311 bytes).\n"
        "kelvane-cli find: text.pod: Stream read error: the POD2 header ends past the end of the "
        "file (at byte 96 of a file of 21 bytes).\n";
    struct Case {
        std::vector<std::string> patterns;
        std::string out;
    };
    for (const Case& c : {
             // A bare name matches the file part in any folder, case-blind.
             Case{{"panel.tga"}, linesFor({1, 3})},
             {{"ART\\*.TGA"}, linesFor({1})},  // * stays within one level
             {{"art\\**.tga"}, linesFor({1, 3})},
             {{"*.TXT", "other.wav"}, linesFor({2}) + "\xe9t\xe9.pod\t1\t1\t0\tother.wav\n"},
             {{"p?nel.*", "PANEL.TGA"}, linesFor({1, 3})},  // each entry once
             {{"PANEL"}, ""},                               // a part of a file name is not enough
             {{"2"}, ""},                                   // a number is a name, not an entry
         }) {
        cli::Arguments args = {"find", folder.path};
        args.insert(args.end(), c.patterns.begin(), c.patterns.end());
        const test::CliRun found = run(args);
        EXPECT_EQ(found.out, c.out) << c.patterns[0];
        EXPECT_EQ(found.err, errors) << c.patterns[0];
        EXPECT_EQ(found.status, c.out.empty() ? 1 : 0) << c.patterns[0];
    }
}

TEST(FindCommand, RefusesAMissingFolderOrPatternAndAFileForAFolder) {
    SearchedFolder folder;
    for (const cli::Arguments& args : {
             cli::Arguments{"find"},
             {"find", folder.path},
             {"find", "--json", folder.path},
             {"find", folder.path + "/notes.txt", "*"},
             {"find", folder.path + "/none", "*"},
             {"find", "--all", folder.path, "*"},
         }) {
        const test::CliRun refused = run(args);
        EXPECT_EQ(refused.status, 2) << args.back();
        EXPECT_EQ(refused.out, "") << args.back();
        EXPECT_EQ(refused.err.rfind("kelvane-cli find: ", 0), 0u) << refused.err;
    }
}

// A folder that cannot be listed (say lost+found at a drive's root) is named and the search
// goes on. Root lists every folder, so the search then runs as nobody in a child process.
TEST(FindCommand, NamesAFolderItCannotListAndSearchesTheRest) {
    test::TempDir dir;
    const std::filesystem::path root = dir.path();
    std::filesystem::create_directories(root / "closed");
    test::writeArchive(root / "a.pod", ArchiveLayout::POD3, {{"PANEL.TGA", "x"}});
    test::writeArchive(root / "z.pod", ArchiveLayout::POD3, {{"PANEL.TGA", "y"}});
    std::filesystem::permissions(root, std::filesystem::perms::all);
    std::filesystem::permissions(root / "closed", std::filesystem::perms::none);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
        const test::CliRun found = run({"find", root.string(), "panel.tga"});
        const bool expected =
            found.status == 0 &&
            found.out == "a.pod\t1\t1\t0\tPANEL.TGA\nz.pod\t1\t1\t0\tPANEL.TGA\n" &&
            found.err == "kelvane-cli find: closed: Cannot read folder " + root.string() +
                             "/closed: Permission denied\n";
        if (!expected) std::fprintf(stderr, "%s%s", found.out.c_str(), found.err.c_str());
        ::_exit(expected ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST(FindCommand, JsonGivesLayoutRevisionAndPriorityBesideTheMatches) {
    SearchedFolder folder;
    const test::CliRun pod3 = run({"find", "--json", folder.path, "OTHER.WAV"});
    EXPECT_EQ(pod3.status, 0);
    EXPECT_EQ(pod3.out, "{\"folder\":\"" + folder.path +
                            "\",\"matches\":[{\"archive\":\"\xc3\xa9t\xc3\xa9.pod\",\"layout\":"
                            "\"POD3\",\"revision\":3,\"priority\":7,\"entries\":[{\"number\":1,"
                            "\"name\":\"other.wav\",\"size\":1,\"timestamp\":0}]}]}\n");
    const test::CliRun pod1 = run({"find", "--json", folder.path, "readme.txt"});
    EXPECT_NE(pod1.out.find("{\"archive\":\"p1.pod\",\"layout\":\"POD1\",\"revision\":null,"
                            "\"priority\":null,\"entries\":[{\"number\":2,\"name\":\"readme.txt\","
                            "\"size\":7,\"timestamp\":null}]}"),
              std::string::npos)
        << pod1.out;
    EXPECT_EQ(run({"find", "--json", folder.path, "-x", "--"}).status, 2);
    EXPECT_EQ(run({"find", "--json", folder.path, "--", "-x"}).out,
              "{\"folder\":\"" + folder.path + "\",\"matches\":[]}\n");
}

}  // namespace
}  // namespace kelvane
