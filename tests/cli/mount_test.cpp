// kelvane-cli mount, run as the installed program would be: where FUSE works.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "archive/pod_reader.h"
#include "tests/support/archive_builder.h"
#include "tests/support/image_builders.h"
#include "tests/support/shell.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::shell;
using test::shellQuoted;

const std::string kCli = KELVANE_CLI;
const std::string kMount = KELVANE_MOUNT;  // the program that `kelvane-cli mount` runs

// How many mounts stack on `folder`.
int mountsOn(const std::filesystem::path& folder) {
    std::ifstream mounts("/proc/self/mounts");
    int count = 0;
    for (std::string line; std::getline(mounts, line);) {
        std::istringstream fields(line);
        std::string device, point;
        fields >> device >> point;
        count += point == folder.string();
    }
    return count;
}

bool isMounted(const std::filesystem::path& folder) {
    return mountsOn(folder) > 0;
}

// True once `folder` is mounted, within five seconds.
bool becomesMounted(const std::filesystem::path& folder) {
    for (int i = 0; i < 100 && !isMounted(folder); ++i) shell("sleep 0.05");
    return isMounted(folder);
}

// Only kelvane-mount links libfuse3: every other command runs where it is not installed.
TEST(MountProgram, IsTheOnlyOneThatNeedsLibfuse) {
    for (const auto& [program, needs] : {std::pair{kCli, false}, std::pair{kMount, true}}) {
        const test::ShellRun ldd = shell("ldd " + shellQuoted(program));
        ASSERT_EQ(ldd.status, 0) << ldd.output;
        EXPECT_EQ(ldd.output.find("libfuse") != std::string::npos, needs) << ldd.output;
    }
    // kelvane-mount is looked for beside the running program, not on the PATH.
    const test::TempDir elsewhere;
    const std::filesystem::path copy = elsewhere.path() / "bin" / "kelvane-cli";
    std::filesystem::create_directory(copy.parent_path());
    std::filesystem::copy_file(kCli, copy);
    const test::ShellRun run = shell("LC_ALL=C " + shellQuoted(copy.string()) + " mount a.pod mnt");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.output.starts_with("kelvane-cli: cannot mount a.pod: cannot run " +
                                       elsewhere.path().string() + "/"))
        << run.output;
    EXPECT_TRUE(run.output.ends_with("/kelvane-mount: No such file or directory\n")) << run.output;
}

class MountTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::filesystem::exists("/dev/fuse")) GTEST_SKIP() << "no /dev/fuse on this machine";
        if (shell("command -v fusermount3").status != 0) GTEST_SKIP() << "fusermount3 missing";
        picture = test::buildBmp({4, 3}, std::string(4 * 3 * 3, '\x40'));
        big = std::string(1'500'000, '\0');
        for (std::size_t i = 0; i < big.size(); ++i) big[i] = char((i * 7919) >> (i % 13));
        archive = (dir.path() / "demo.pod").string();
        test::writeArchive(archive, test::ArchiveLayout::POD5,
                           {{"readme.txt", "hello", 1000000000, false},
                            {"ART\\picture.bmp", picture, 1100000000},
                            {"ART\\PANEL:big.bin", big, 1200000000},
                            {"caf\xE9.txt", "au lait"},
                            {"..\\evil.txt", "x"}});
        mnt = dir.path() / "mnt";
        std::filesystem::create_directory(mnt);
        const test::ShellRun mount = shell(shellQuoted(kCli) + " mount " + shellQuoted(archive) +
                                           " " + shellQuoted(mnt.string()));
        if (mount.status == 1 && mount.output.find("cannot mount") != std::string::npos) {
            GTEST_SKIP() << "FUSE does not mount here: " << mount.output;
        }
        ASSERT_EQ(mount.status, 0) << mount.output;
        mountOutput = mount.output;
        ASSERT_TRUE(isMounted(mnt));
    }
    void TearDown() override {
        for (const auto& folder : {mnt, dir.path() / "full", dir.path() / "empty"}) {
            while (isMounted(folder)) {
                if (shell("fusermount3 -u " + shellQuoted(folder.string())).status != 0) break;
            }
        }
    }
    // A shell command that prints the pid of the process serving `archive` on `mnt`.
    std::string serverLookup(bool foreground) const {
        return "pgrep -f -x " +
               shellQuoted(kMount + (foreground ? " -f " : " ") + archive + " " + mnt.string());
    }
    std::string inMount(const std::string& path) const {
        return shellQuoted((mnt / path).string());
    }

    test::TempDir dir;
    std::string archive, picture, big, mountOutput;
    std::filesystem::path mnt;
};

TEST_F(MountTest, ServesTheTreeAsExtractionWritesIt) {
    // (Its first line: a sanitizer build may add its report after it.)
    EXPECT_EQ(mountOutput.substr(0, mountOutput.find('\n') + 1),
              "kelvane-cli: entry 5 \"..\\evil.txt\" left out: its name would place it outside "
              "the folder\n");
    EXPECT_EQ(shell("cd " + shellQuoted(mnt.string()) + " && find . | LC_ALL=C sort").output,
              ".\n./ART\n./ART/PANEL\n./ART/PANEL/big.bin\n./ART/picture.bmp\n./café.txt\n"
              "./readme.txt\n");
    const test::TempDir extracted;
    ASSERT_EQ(shell(shellQuoted(kCli) + " extract --structure " + shellQuoted(archive) + " " +
                    shellQuoted(extracted.path().string()) + " 1 2 3 4")
                  .status,
              0);
    for (const char* file : {"readme.txt", "ART/picture.bmp", "ART/PANEL/big.bin", "café.txt"}) {
        const test::ShellRun cmp =
            shell("cmp " + shellQuoted((extracted.path() / file).string()) + " " + inMount(file));
        EXPECT_EQ(cmp.status, 0) << file << ": " << cmp.output;
    }
    const test::TempDir copy;
    EXPECT_EQ(shell("cp -r " + inMount("ART") + " " + shellQuoted(copy.path().string())).status, 0);
    EXPECT_EQ(test::readFile(copy.path() / "ART" / "PANEL" / "big.bin"), big);
    EXPECT_EQ(shell("diff -r " + shellQuoted((extracted.path() / "ART").string()) + " " +
                    shellQuoted((copy.path() / "ART").string()))
                  .status,
              0);
    if (shell("command -v identify").status == 0) {
        const test::ShellRun identify = shell("identify " + inMount("ART/picture.bmp"));
        EXPECT_NE(identify.output.find("4x3"), std::string::npos) << identify.output;
    }
    // Reads at any offset of a compressed entry, backwards too.
    std::ifstream file(mnt / "ART/PANEL/big.bin", std::ios::binary);
    for (std::size_t offset : {1'400'000, 700'000, 10, 1'499'995}) {
        std::string slice(5000, '\0');
        file.seekg(std::streamoff(offset));
        file.read(slice.data(), std::streamsize(slice.size()));
        slice.resize(std::size_t(file.gcount()));
        file.clear();
        EXPECT_EQ(slice, big.substr(offset, 5000)) << offset;
    }

    struct stat info {};
    ASSERT_EQ(::stat((mnt / "ART/PANEL/big.bin").c_str(), &info), 0);
    EXPECT_EQ(info.st_size, 1'500'000);
    EXPECT_EQ(info.st_mtime, 1200000000);
    EXPECT_EQ(info.st_mode & 0777, 0444);
    ASSERT_EQ(::stat((mnt / "ART").c_str(), &info), 0);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
}

TEST_F(MountTest, RefusesEveryWriteAndEndsWhenUnmounted) {
    for (const std::string& write :
         {"touch " + inMount("new.txt"), "echo x > " + inMount("readme.txt"),
          "echo x >> " + inMount("readme.txt"), "mkdir " + inMount("dir"),
          "rm " + inMount("readme.txt"), "mv " + inMount("readme.txt") + " " + inMount("x"),
          "chmod 600 " + inMount("readme.txt"), "rmdir " + inMount("ART/PANEL")}) {
        const test::ShellRun run = shell("LC_ALL=C " + write);
        EXPECT_NE(run.status, 0) << write;
        EXPECT_NE(run.output.find("Read-only file system"), std::string::npos)
            << write << ": " << run.output;
    }
    EXPECT_EQ(test::readFile(mnt / "readme.txt"), "hello");
    const std::string server = serverLookup(false);
    EXPECT_EQ(shell(server).status, 0);
    EXPECT_EQ(shell("fusermount3 -u " + shellQuoted(mnt.string())).status, 0);
    EXPECT_FALSE(isMounted(mnt));
    // The serving process ends with its mount.
    EXPECT_EQ(shell("for i in $(seq 100); do " + server +
                    " >/dev/null || exit 0; sleep 0.05; done; exit 1")
                  .status,
              0);
}

TEST_F(MountTest, ForegroundServesUntilUnmountedOrInterrupted) {
    shell("fusermount3 -u " + shellQuoted(mnt.string()));
    // Unmounting, Ctrl+C and SIGTERM are the ways to end it; each unmounts and exits with 0.
    for (const std::string& end :
         {"fusermount3 -u " + shellQuoted(mnt.string()), "kill -INT $(" + serverLookup(true) + ")",
          "kill -TERM $(" + serverLookup(true) + ")"}) {
        // (Signals the test runner was started with ignored would stay ignored.)
        test::Child server({"/usr/bin/env", "--default-signal=INT,TERM", kCli, "mount", "-f",
                            archive, mnt.string()});
        ASSERT_TRUE(becomesMounted(mnt)) << end;
        EXPECT_EQ(test::readFile(mnt / "café.txt"), "au lait");
        EXPECT_EQ(server.wait(0.2), -1) << end;  // still serving
        EXPECT_EQ(shell(end).status, 0) << end;
        EXPECT_EQ(server.wait(5), 0) << end;
        EXPECT_FALSE(isMounted(mnt)) << end;
    }
}

// A deflated entry whose stream is corrupt and a stored one cut short by the end of the archive:
// each read of them is an I/O error, their sizes stay the stated ones, and each is named once.
TEST_F(MountTest, UnreadableEntriesFailAndAreNamedOnce) {
    shell("fusermount3 -u " + shellQuoted(mnt.string()));
    const std::string damaged = (dir.path() / "damaged.pod").string();
    test::writeArchive(damaged, test::ArchiveLayout::POD5,
                       {{"whole.txt", "fine"},
                        {"ART\\damaged.bin", big},
                        {"short.bin", std::string(256'000, 's'), 0, false}});
    TPOD pod(damaged);
    pod.ReadHeaderAndDirectory();
    std::string bytes = test::readFile(damaged);
    // A reserved block type right after the zlib header; the stored entry's data come last.
    bytes.replace(pod.catalogue()[1].offset + 2, 8, 8, '\xFF');
    bytes.resize(bytes.size() - 200'000);
    test::writeFile(damaged, bytes);

    const std::string errors = (dir.path() / "errors.txt").string();
    test::Child server({"/bin/sh", "-c", "exec \"$0\" mount -f \"$1\" \"$2\" 2>\"$3\"", kCli,
                        damaged, mnt.string(), errors});
    ASSERT_TRUE(becomesMounted(mnt));
    EXPECT_EQ(test::readFile(mnt / "whole.txt"), "fine");
    for (const auto& [file, size] :
         {std::pair{"ART/damaged.bin", big.size()}, std::pair{"short.bin", std::size_t(256'000)}}) {
        for (int time = 0; time < 2; ++time) {
            const test::ShellRun cat = shell("LC_ALL=C cat " + inMount(file) + " >/dev/null");
            EXPECT_EQ(cat.status, 1) << file;
            EXPECT_NE(cat.output.find("Input/output error"), std::string::npos) << cat.output;
        }
        struct stat info {};
        ASSERT_EQ(::stat((mnt / file).c_str(), &info), 0);
        EXPECT_EQ(std::size_t(info.st_size), size) << file;
    }
    EXPECT_EQ(shell("fusermount3 -u " + shellQuoted(mnt.string())).status, 0);
    EXPECT_EQ(server.wait(5), 0);
    const std::string logged = test::readFile(errors);
    const std::string prefix = "kelvane-cli: " + damaged + ": Entry ";
    EXPECT_TRUE(logged.starts_with(prefix + "2 \"ART\\damaged.bin\" is damaged: ")) << logged;
    EXPECT_TRUE(logged.ends_with(".\n" + prefix +
                                 "3 \"short.bin\" is cut short by the end of the archive: "
                                 "56000 of 256000 bytes.\n"))
        << logged;
    EXPECT_EQ(std::count(logged.begin(), logged.end(), '\n'), 2) << logged;
}

// A folder of archives: each archive (every layout, any case of extension, in a sub-folder, under
// a name that is not UTF-8) is a folder named after its file, read only when first looked
// into. A file that cannot be read as an archive is a folder whose visit fails with an I/O
// error, named once; what holds no archive (a text file, a folder of them, a link loop) is
// not shown.
TEST_F(MountTest, FolderShowsEachArchiveAsAFolderReadWhenVisited) {
    shell("fusermount3 -u " + shellQuoted(mnt.string()));
    using test::ArchiveLayout;
    const std::filesystem::path folder = dir.path() / "fly";
    std::filesystem::create_directories(folder / "ADDONS");
    std::filesystem::create_directories(folder / "TEXTS");
    const auto contents = [](const std::string& file) {
        return std::vector<test::StoredFile>{{"stored.txt", "stored in " + file, 0, false},
                                             {"DATA\\packed.bin", std::string(30'000, 'z') + file}};
    };
    const struct {
        std::string file;
        ArchiveLayout layout;
    } archives[] = {{"EPD.EPD", ArchiveLayout::EPD},   {"pod.pod", ArchiveLayout::POD},
                    {"POD3.POD", ArchiveLayout::POD3}, {"ADDONS/POD1.pOd", ArchiveLayout::POD1},
                    {"POD4.POD", ArchiveLayout::POD4}, {"POD5.POD", ArchiveLayout::POD5},
                    {"POD6.POD", ArchiveLayout::POD6}, {"\xE9t\xE9.pod", ArchiveLayout::POD3},
                    {"LATE.POD", ArchiveLayout::POD5}};
    for (const auto& [file, layout] : archives) {
        if (file != "LATE.POD") test::writeArchive(folder / file, layout, contents(file));
    }
    // LATE.POD is junk and GONE.POD an archive when the mount starts, the other way round
    // when they are visited.
    test::writeFile(folder / "LATE.POD", "junk");
    test::writeArchive(folder / "GONE.POD", ArchiveLayout::POD3, contents("GONE.POD"));
    test::writeFile(folder / "JUNK.POD", "not an archive at all");
    test::writeFile(folder / "EMPTY.EPD", "");
    test::writeFile(folder / "readme.txt", "text");
    test::writeFile(folder / "TEXTS" / "notes.txt", "text");
    std::filesystem::create_directory_symlink(".", folder / "loop");

    const std::string errors = (dir.path() / "errors.txt").string();
    test::Child server({"/bin/sh", "-c", "exec \"$0\" mount -f \"$1\" \"$2\" 2>\"$3\"", kCli,
                        folder.string(), mnt.string(), errors});
    ASSERT_TRUE(becomesMounted(mnt));
    const auto replace = [&](const std::string& file, const std::string& bytes) {
        test::writeFile(dir.path() / "new", bytes);
        std::filesystem::rename(dir.path() / "new", folder / file);
    };
    replace("LATE.POD", test::buildArchive(ArchiveLayout::POD5, contents("LATE.POD")));
    replace("GONE.POD", "junk");

    const auto namesIn = [](const std::filesystem::path& path) {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(path)) {
            names.push_back(item.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    };
    EXPECT_EQ(namesIn(mnt),
              (std::vector<std::string>{"ADDONS", "EMPTY.EPD", "EPD.EPD", "GONE.POD", "JUNK.POD",
                                        "LATE.POD", "POD3.POD", "POD4.POD", "POD5.POD", "POD6.POD",
                                        "pod.pod", "\xE9t\xE9.pod"}));
    EXPECT_EQ(namesIn(mnt / "ADDONS"), std::vector<std::string>{"POD1.pOd"});
    for (const auto& [file, layout] : archives) {
        EXPECT_EQ(namesIn(mnt / file), (std::vector<std::string>{"DATA", "stored.txt"})) << file;
        const std::vector<test::StoredFile> stored = contents(file);
        EXPECT_EQ(test::readFile(mnt / file / "stored.txt"), stored[0].data) << file;
        EXPECT_EQ(test::readFile(mnt / file / "DATA" / "packed.bin"), stored[1].data) << file;
    }
    const std::vector<std::string> unreadable = {"JUNK.POD", "EMPTY.EPD", "GONE.POD"};
    for (const std::string& file : unreadable) {
        for (const std::string& visit : {"ls " + inMount(file), "cat " + inMount(file + "/x")}) {
            const test::ShellRun run = shell("LC_ALL=C " + visit);
            EXPECT_NE(run.status, 0) << visit;
            EXPECT_NE(run.output.find("Input/output error"), std::string::npos) << run.output;
        }
    }
    EXPECT_EQ(test::readFile(mnt / "POD6.POD" / "stored.txt"), "stored in POD6.POD");

    EXPECT_EQ(shell("fusermount3 -u " + shellQuoted(mnt.string())).status, 0);
    EXPECT_EQ(server.wait(5), 0);
    std::istringstream logged(test::readFile(errors));
    for (const std::string& file : unreadable) {
        std::string line;
        std::getline(logged, line);
        EXPECT_TRUE(
            line.starts_with("kelvane-cli: " + (folder / file).string() + ": Stream read error: "))
            << line;
    }
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(logged), {}), "");

    // Served in the background from "/", a folder given by a relative path still reads.
    ASSERT_EQ(shell("cd " + shellQuoted(dir.path().string()) + " && " + shellQuoted(kCli) +
                    " mount fly mnt")
                  .status,
              0);
    EXPECT_EQ(test::readFile(mnt / "ADDONS" / "POD1.pOd" / "stored.txt"),
              "stored in ADDONS/POD1.pOd");
}

TEST_F(MountTest, MountFailuresAreReported) {
    // The mount point must be an existing, empty folder: a mount would hide what it holds, and
    // a second one would stack on the first.
    const std::filesystem::path file = dir.path() / "file.txt", full = dir.path() / "full";
    test::writeFile(file, "kept");
    std::filesystem::create_directory(full);
    test::writeFile(full / "kept.txt", "kept");
    const struct {
        std::filesystem::path folder;
        std::string reason;
    } refused[] = {{dir.path() / "nowhere", "there is no such folder"},
                   {file, "it is not a folder"},
                   {full, "the folder is not empty"},
                   {mnt, "the folder is not empty"}};
    for (const auto& [folder, reason] : refused) {
        const test::ShellRun run = shell(shellQuoted(kCli) + " mount " + shellQuoted(archive) +
                                         " " + shellQuoted(folder.string()));
        EXPECT_EQ(run.status, 1) << folder;
        EXPECT_NE(run.output.find("kelvane-cli: cannot mount " + archive + " on " +
                                  folder.string() + ": " + reason),
                  std::string::npos)
            << run.output;
        EXPECT_EQ(mountsOn(folder), folder == mnt) << folder;
    }
    EXPECT_EQ(test::readFile(full / "kept.txt"), "kept");

    EXPECT_EQ(shell(shellQuoted(kCli) + " mount " + shellQuoted(archive)).status, 2);
    const std::filesystem::path empty = dir.path() / "empty";
    std::filesystem::create_directory(empty);
    const test::ShellRun none =
        shell(shellQuoted(kCli) + " mount " + shellQuoted((dir.path() / "none.pod").string()) +
              " " + shellQuoted(empty.string()));
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.output.find("not a readable .POD or .EPD archive"), std::string::npos)
        << none.output;
    EXPECT_FALSE(isMounted(empty));
}

}  // namespace
}  // namespace kelvane
