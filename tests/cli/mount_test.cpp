// kelvane-cli mount, run as the installed program would be: where FUSE works.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/archive_builder.h"
#include "tests/support/image_builders.h"
#include "tests/support/shell.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::shell;
using test::shellQuoted;

const std::string kCli = KELVANE_CLI;

bool isMounted(const std::filesystem::path& folder) {
    std::ifstream mounts("/proc/self/mounts");
    for (std::string line; std::getline(mounts, line);) {
        std::istringstream fields(line);
        std::string device, point;
        fields >> device >> point;
        if (point == folder.string()) return true;
    }
    return false;
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
        if (!mnt.empty() && isMounted(mnt)) shell("fusermount3 -u " + shellQuoted(mnt.string()));
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
    const std::string server =
        "pgrep -f -x " + shellQuoted(kCli + " mount " + archive + " " + mnt.string());
    EXPECT_EQ(shell(server).status, 0);
    EXPECT_EQ(shell("fusermount3 -u " + shellQuoted(mnt.string())).status, 0);
    EXPECT_FALSE(isMounted(mnt));
    // The serving process ends with its mount.
    EXPECT_EQ(shell("for i in $(seq 100); do " + server +
                    " >/dev/null || exit 0; sleep 0.05; done; exit 1")
                  .status,
              0);
}

TEST_F(MountTest, ForegroundServesUntilUnmounted) {
    shell("fusermount3 -u " + shellQuoted(mnt.string()));
    test::Child server({kCli, "mount", "-f", archive, mnt.string()});
    ASSERT_EQ(shell("for i in $(seq 100); do grep -q " + shellQuoted(" " + mnt.string() + " ") +
                    " /proc/mounts && exit 0; sleep 0.05; done; exit 1")
                  .status,
              0);
    EXPECT_EQ(test::readFile(mnt / "café.txt"), "au lait");
    EXPECT_EQ(server.wait(0.2), -1);  // still serving
    EXPECT_EQ(shell("fusermount3 -u " + shellQuoted(mnt.string())).status, 0);
    EXPECT_EQ(server.wait(5), 0);
}

TEST_F(MountTest, MountFailuresAreReported) {
    const test::ShellRun missing = shell(shellQuoted(kCli) + " mount " + shellQuoted(archive) +
                                         " " + shellQuoted((dir.path() / "nowhere").string()));
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("kelvane-cli: cannot mount " + archive + " on "),
              std::string::npos)
        << missing.output;
    EXPECT_EQ(shell(shellQuoted(kCli) + " mount " + shellQuoted(archive)).status, 2);
    EXPECT_EQ(
        shell(shellQuoted(kCli) + " mount " + shellQuoted((dir.path() / "none.pod").string()) +
              " " + shellQuoted(mnt.string()))
            .status,
        1);
}

}  // namespace
}  // namespace kelvane
