#include "platform/atomic_output_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <stdexcept>

#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

// What stands at the target's name before the write.
struct Occupant {
    const char* name;
    std::function<void(const fs::path& target, const fs::path& elsewhere)> make;
    bool replaceable;  // a commit puts the new file in its place
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
    };
    for (const Occupant& occupant : occupants) {
        for (const bool commit : {true, false}) {
            SCOPED_TRACE(std::string(occupant.name) + (commit ? ", committed" : ", abandoned"));
            test::TempDir dir, elsewhere;
            test::writeFile(elsewhere.path() / "victim", "keep me");
            const fs::path target = dir.path() / "out.bin";
            occupant.make(target, elsewhere.path());
            const auto before = fs::symlink_status(target).type();
            const std::size_t descriptors = test::openDescriptorCount();

            try {
                AtomicOutputFile out(target.string());
                out.write("new", 3);
                if (!commit) throw std::runtime_error("stopped before commit");
                out.commit();
                EXPECT_TRUE(occupant.replaceable);
                EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(target)));
                EXPECT_EQ(test::readFile(target), "new");
            } catch (const std::runtime_error& error) {
                if (commit) {
                    EXPECT_EQ(error.what(), "Cannot create file " + target.string());
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
            EXPECT_EQ(test::openDescriptorCount(), descriptors);
        }
    }
}

}  // namespace
}  // namespace kelvane
