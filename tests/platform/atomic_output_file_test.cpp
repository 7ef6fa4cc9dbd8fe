#include "platform/atomic_output_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <utility>

#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

// What stands at the target's name before the write.
struct Occupant {
    const char* name;
    std::function<void(const fs::path& target, const fs::path& elsewhere)> make;
    bool replaceable;        // a commit puts the new file in its place
    bool meanwhile = false;  // made once the file is open, before its commit
};

TEST(AtomicOutputFile, ReplacesFilesAndLinksWholeOrNotAtAll) {
    const std::vector<Occupant> occupants = {
        {"nothing", [](const fs::path&, const fs::path&) {}, true},
        {"a file", [](const fs::path& t, const fs::path&) { test::writeFile(t, "old"); }, true},
        {"a link to a file elsewhere",
         [](const fs::path& t, const fs::path& e) { fs::create_symlink(e / "victim", t); }, true},
        {"a dangling link",
         [](const fs::path& t, const fs::path& e) { fs::create_symlink(e / "none", t); }, true},
        {"a directory",
         [](const fs::path& t, const fs::path&) {
             fs::create_directory(t);
             test::writeFile(t / "inside", "inside");
         },
         false},
        {"a file made meanwhile",
         [](const fs::path& t, const fs::path&) { test::writeFile(t, "old"); }, true, true},
    };
    // A file named by its path is written under a temporary name; one made in an output
    // folder is unnamed until its commit.
    for (const Occupant& occupant : occupants) {
        for (const auto& [commit, inFolder] :
             {std::pair{true, false}, {false, false}, {true, true}, {false, true}}) {
            SCOPED_TRACE(std::string(occupant.name) + (commit ? ", committed" : ", abandoned") +
                         (inFolder ? ", in a folder" : ""));
            test::TempDir dir, elsewhere;
            test::writeFile(elsewhere.path() / "victim", "keep me");
            const fs::path target = dir.path() / "out.bin";
            if (!occupant.meanwhile) occupant.make(target, elsewhere.path());
            const std::size_t descriptors = test::openDescriptorCount();
            const OutputFolder folder(dir.path().string() + "/");
            auto before = fs::symlink_status(target).type();

            try {
                std::optional<AtomicOutputFile> named, unnamed;
                AtomicOutputFile& out =
                    inFolder ? unnamed.emplace(folder, std::vector<std::string>{"out.bin"}, false)
                             : named.emplace(target.string());
                if (occupant.meanwhile) occupant.make(target, elsewhere.path());
                before = fs::symlink_status(target).type();
                out.write("new", 3);
                if (!commit) throw std::runtime_error("stopped before commit");
                out.commit();
                EXPECT_TRUE(occupant.replaceable);
                EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(target)));
                EXPECT_EQ(test::readFile(target), "new");
            } catch (const std::runtime_error& error) {
                if (commit) {
                    EXPECT_EQ(error.what(),
                              "Cannot create file " + target.string() + ": Is a directory");
                }
                EXPECT_FALSE(commit && occupant.replaceable) << error.what();
                EXPECT_EQ(fs::symlink_status(target).type(), before);
                if (before == fs::file_type::regular) {
                    EXPECT_EQ(test::readFile(target), "old");
                }
                if (before == fs::file_type::directory) {
                    EXPECT_EQ(test::readFile(target / "inside"), "inside");
                }
            }
            EXPECT_EQ(test::readFile(elsewhere.path() / "victim"), "keep me");
            // No temporary file and no open descriptor outlive the object.
            const std::vector<std::string> expected = before == fs::file_type::not_found && !commit
                                                          ? std::vector<std::string>{}
                                                          : std::vector<std::string>{"out.bin"};
            EXPECT_EQ(test::namesIn(dir.path()), expected);
            EXPECT_EQ(test::openDescriptorCount(), descriptors + 1);  // the folder
        }
    }
}

// A file that cannot be made, why, and whether every other file of the folder would fail too.
struct Refusal {
    const char* what;
    std::function<void(const fs::path& out)> make;
    const char* reason;
    bool everyFile;
};

TEST(AtomicOutputFile, SaysWhyAFileIsRefusedAndWhetherTheFolderRefusesEveryFile) {
    const auto makeIn = [](const std::string& folder, std::vector<std::string> components,
                           bool createLevels, const std::function<void()>& meanwhile = {}) {
        const OutputFolder target(folder);
        if (meanwhile) meanwhile();
        AtomicOutputFile file(target, components, createLevels);
        file.write("x", 1);
        file.commit();
    };
    const std::vector<Refusal> refusals = {
        {"a folder removed once opened",
         [&](const fs::path& out) {
             makeIn(out.string() + "/", {"a.txt"}, false, [&] { fs::remove(out); });
         },
         "No such file or directory", true},
        {"a level to make in a folder removed once opened",
         [&](const fs::path& out) {
             makeIn(out.string() + "/", {"A", "a.txt"}, true, [&] { fs::remove(out); });
         },
         "No such file or directory", true},
        {"a folder that is a file",
         [&](const fs::path& out) {
             test::writeFile(out / "file", "");
             makeIn((out / "file").string() + "/", {"a.txt"}, false);
         },
         "Not a directory", true},
        {"a file standing where a level goes",
         [&](const fs::path& out) {
             test::writeFile(out / "D", "");
             makeIn(out.string() + "/", {"D", "a.txt"}, true);
         },
         "Not a directory", false},
        {"a missing level not to be made",
         [&](const fs::path& out) {
             makeIn(out.string() + "/", {"M", "a.txt"}, false);
         },
         "No such file or directory", false},
        {"a name too long for the folder",
         [&](const fs::path& out) { makeIn(out.string() + "/", {std::string(300, 'n')}, false); },
         "File name too long", false},
        {"a path naming no file",
         [&](const fs::path& out) { AtomicOutputFile file(out.string() + "/"); },
         "No such file or directory", false},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        test::TempDir dir;
        const fs::path out = dir.path() / "out";
        fs::create_directory(out);
        try {
            refusal.make(out);
            ADD_FAILURE() << "made";
        } catch (const CannotCreateFile& error) {
            const std::string what = error.what();
            EXPECT_EQ(what.rfind("Cannot create file " + out.string(), 0), 0u) << what;
            EXPECT_EQ(what.substr(what.rfind(": ") + 2), refusal.reason) << what;
            EXPECT_EQ(failsEveryFile(error), refusal.everyFile);
        }
        if (fs::exists(out)) {
            for (const std::string& name : test::namesIn(out)) EXPECT_NE(name[0], '.') << name;
        }
    }
    EXPECT_FALSE(failsEveryFile(std::runtime_error("Cannot write file x: Input/output error")));
}

}  // namespace
}  // namespace kelvane
