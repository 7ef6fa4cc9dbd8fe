#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "settings/ini_file.h"
#include "tests/cli/cli_run.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

struct StatusOf {
    mode_t permissions;
    gid_t group;
};

StatusOf statusOf(const fs::path& path) {
    struct stat status {};
    EXPECT_EQ(::stat(path.c_str(), &status), 0) << path;
    return {status.st_mode & 07777, status.st_gid};
}

// A file that a command replaces, the mode it had, and the one the new file must have.
struct Replaced {
    const char* what;
    const char* name;
    mode_t before;
    mode_t after;
    // Writes the file at `path` once (`again` false), or replaces it (true).
    std::function<void(const fs::path& path, bool again)> write;
};

TEST(ReplacedFiles, KeepTheirPermissionsAndGroupWhileNewFilesGetTheDefault) {
    test::TempDir dir;
    const std::string source = (dir.path() / "source.pod").string();
    test::writeArchive(source, test::ArchiveLayout::POD, {{"one.txt", "1"}, {"two.txt", "2"}});
    test::writeFile(dir.path() / "added.txt", "added");
    const auto cli = [](const cli::Arguments& args) {
        const test::CliRun done = test::run(args);
        ASSERT_EQ(done.status, 0) << done.err;
    };
    const auto archive = [&](const fs::path& path, bool again, const cli::Arguments& change) {
        if (!again) {
            fs::copy_file(source, path);
            return;
        }
        cli::Arguments args = change;
        args.insert(args.begin() + 1, path.string());
        cli(args);
    };
    const auto extracted = [&](const fs::path& path, bool) {
        cli({"extract", source, path.parent_path().string(), "one.txt"});
    };
    const auto settings = [](const fs::path& path, bool again) {
        IniFile(path.string()).writeString("Kelvane", "Langue", again ? "english" : "french");
    };
    const std::vector<Replaced> cases = {
        {"an archive added to", "a.pod", 0640, 0640,
         [&](const fs::path& p, bool again) {
             archive(p, again, {"add", (dir.path() / "added.txt").string()});
         }},
        {"an archive deleted from", "a.pod", 0604, 0604,
         [&](const fs::path& p, bool again) {
             archive(p, again, {"delete", "two.txt"});
         }},
        {"an extracted file", "one.txt", 0444, 0444, extracted},
        {"an extracted file over a set-user-id one", "one.txt", 04755, 0755, extracted},
        {"the settings file", "Kelvane.ini", 0600, 0600, settings},
    };
    // Only root may hand a file to any group; others keep their own.
    const gid_t group = ::geteuid() == 0 ? 4242 : ::getegid();
    for (const Replaced& replaced : cases) {
        SCOPED_TRACE(replaced.what);
        test::TempDir out;
        const fs::path path = out.path() / replaced.name;
        replaced.write(path, false);
        ASSERT_EQ(::chown(path.c_str(), uid_t(-1), group), 0);
        ASSERT_EQ(::chmod(path.c_str(), replaced.before), 0);
        replaced.write(path, true);
        EXPECT_EQ(statusOf(path).permissions, replaced.after);
        EXPECT_EQ(statusOf(path).group, group);
    }

    // A new file gets the default mode.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    test::TempDir fresh;
    extracted(fresh.path() / "one.txt", false);
    EXPECT_EQ(statusOf(fresh.path() / "one.txt").permissions, 0666 & ~mask);
}

}  // namespace
}  // namespace kelvane
