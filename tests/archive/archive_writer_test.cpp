#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "archive/archive_details.h"
#include "archive/archive_editing.h"
#include "archive/archive_writer.h"
#include "archive/pod_reader.h"
#include "archive/verification.h"
#include "platform/bilingual_error.h"
#include "tests/support/archive_builder.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

namespace fs = std::filesystem;

const AuditStamp kStamp{"tester", 1700000000};

bool keepGoing(std::int64_t, std::int64_t) {
    return true;
}

using Contents = test::StoredContents;

Contents contentsOf(const std::string& path) {
    TPOD pod(path);
    pod.ReadHeaderAndDirectory();
    const VerificationReport report = verifyArchive(pod, keepGoing);
    EXPECT_TRUE(report.allHold()) << (report.failures.empty() ? "" : report.failures[0].english);
    return test::storedContents(pod);
}

void write(const ArchivePlan& plan, const std::string& path) {
    EXPECT_FALSE(writeArchive(plan, path, keepGoing).cancelled);
}

void create(const LayoutUnit& unit, const fs::path& folder, const std::string& path) {
    write(planNewArchive(unit, collectFiles(unit, {folder.string()}, identityOf(path)).files,
                         "made by a test"),
          path);
}

// A folder to pack: nested levels, an accented name, an empty file, a file longer than the
// writer's buffer, and what must not be packed.
std::string big() {
    std::string bytes(1536 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 7 + i / 4096);
    return bytes;
}

void fillSourceFolder(const fs::path& folder) {
    fs::create_directories(folder / "ART" / "deep");
    test::writeFile(folder / "ART" / "deep" / "caf\xC3\xA9.txt", "accent");
    test::writeFile(folder / "ART" / "big.raw", big());
    test::writeFile(folder / "empty", "");
    test::writeFile(folder / "readme.txt", "hello");
    fs::create_symlink("readme.txt", folder / "link.txt");  // stored as its target's bytes
    fs::create_directory_symlink("ART", folder / "art-link");
    fs::create_symlink("nowhere", folder / "broken");
    ASSERT_EQ(::mkfifo((folder / "pipe").c_str(), 0600), 0);
}

const Contents kPacked = {{"ART\\big.raw", big()},
                          {"ART\\deep\\caf\xE9.txt", "accent"},
                          {"empty", ""},
                          {"link.txt", "hello"},
                          {"readme.txt", "hello"}};

TEST(ArchiveWriter, CreatesAddsAndDeletesInEveryWritableLayout) {
    test::TempDir dir;
    fillSourceFolder(dir.path() / "src");
    test::writeFile(dir.path() / "README.TXT", "replaced");
    test::writeFile(dir.path() / "new.txt", "added");
    for (const char* name : {"EPD", "POD1", "POD2", "POD3"}) {
        SCOPED_TRACE(name);
        const LayoutUnit& unit = *layoutNamed(name);
        const std::string extension = unit.family == ArchiveFamily::EPD ? ".epd" : ".pod";
        const std::string path = (dir.path() / (std::string("a_") + name + extension)).string();
        create(unit, dir.path() / "src", path);
        EXPECT_EQ(contentsOf(path), kPacked);

        // The archive is packed from inside the folder it lies in: it leaves itself out.
        const std::string inside = (dir.path() / "src" / "self").string() + extension;
        create(unit, dir.path() / "src", inside);
        create(unit, dir.path() / "src", inside);
        EXPECT_EQ(contentsOf(inside), kPacked);
        fs::remove(inside);

        {
            TPOD pod(path);
            pod.ReadHeaderAndDirectory();
            write(planAddition(pod,
                               collectFiles(unit,
                                            {(dir.path() / "README.TXT").string(),
                                             (dir.path() / "new.txt").string()},
                                            {})
                                   .files,
                               kStamp),
                  path);
        }
        Contents expected = kPacked;
        expected[4] = {"README.TXT", "replaced"};  // replaced in place, compared case-blind
        expected.emplace_back("new.txt", "added");
        EXPECT_EQ(contentsOf(path), expected);

        {
            TPOD pod(path);
            pod.ReadHeaderAndDirectory();
            write(planDeletion(pod, {0, 3}, kStamp), path);
        }
        expected.erase(expected.begin() + 3);
        expected.erase(expected.begin());
        EXPECT_EQ(contentsOf(path), expected);

        TPOD pod(path);
        pod.ReadHeaderAndDirectory();
        const std::vector<AuditRecord> audit = auditTrail(pod);
        if (unit.audits == AuditPlace::None) continue;
        ASSERT_EQ(audit.size(), 4u);
        EXPECT_EQ(audit[0].action, 2u);
        EXPECT_EQ(audit[0].oldSize, 5u);
        EXPECT_EQ(audit[0].newSize, 8u);
        EXPECT_EQ(audit[1].path, "new.txt");
        EXPECT_EQ(audit[2].action, 1u);
        EXPECT_EQ(audit[2].path, "ART\\big.raw");
        EXPECT_EQ(audit[3].user, "tester");
        EXPECT_EQ(audit[3].time, kStamp.time);
        if (unit.header.directoryOffset.present()) {
            const CatalogueEntry& last = pod.catalogue().back();
            EXPECT_GE(directoryStart(unit, pod.header()), last.offset + last.size);
        }
    }
}

TEST(ArchiveWriter, KeepsUntouchedBytesOfAnArchiveItDidNotWrite) {
    test::TempDir dir;
    const std::string path = (dir.path() / "a.pod").string();
    test::ArchiveOptions options;
    options.dependencies = 2;
    options.audit = {{"old", 5, 0, "x", 0, 0, 5, 1}};
    test::writeArchive(path, test::ArchiveLayout::POD3, {{"x", "1", 5}, {"y", "22", 6}}, options);
    const std::string before = test::readFile(path);
    {
        TPOD pod(path);
        pod.ReadHeaderAndDirectory();
        write(planDeletion(pod, {}, kStamp), path);
    }
    TPOD pod(path);
    pod.ReadHeaderAndDirectory();
    const ArchiveDetails details = archiveDetails(pod);
    EXPECT_EQ(details.comment, options.comment);
    EXPECT_EQ(details.author, options.author);
    EXPECT_EQ(details.revision, options.revision);
    EXPECT_EQ(details.dependencyRecords, 2u);
    EXPECT_EQ(dependencyBytes(pod), std::string(2 * 264, '\x44'));
    ASSERT_EQ(auditTrail(pod).size(), 1u);
    EXPECT_EQ(auditTrail(pod)[0].user, "old");
    // Records keep their uninterpreted bytes.
    const std::string after = test::readFile(path);
    const auto record = [](const std::string& bytes, std::size_t at) {
        return bytes.substr(at, 20).substr(12);  // timestamp and checksum
    };
    EXPECT_EQ(record(after, directoryStart(pod.layout(), pod.header())), record(before, 300));
    EXPECT_EQ(contentsOf(path), (Contents{{"x", "1"}, {"y", "22"}}));
}

struct Refusal {
    const char* what;
    const char* layout;
    std::vector<std::string> names;  // files to pack
    std::string comment;
    const char* message;  // the English text starts so
};

TEST(ArchiveWriter, RefusesWhatTheLayoutCannotHoldAndWritesNothing) {
    const std::vector<Refusal> refusals = {
        {"name too long", "POD1", {std::string(32, 'n')}, "", "The name of "},
        {"EPD name of 65", "EPD", {std::string(65, 'n')}, "", "The name of "},
        {"no Windows-1252 form", "POD3", {"\xE6\x97\xA5.txt"}, "", "The name of "},
        {"colon", "POD2", {"a:b"}, "", "The name of "},
        {"backslash", "POD2", {"a\\b"}, "", "The name of "},
        {"control character", "POD3", {"a\tb"}, "", "The name of "},
        {"same name but case", "POD3", {"a.txt", "A.TXT"}, "", "Two files would have"},
        {"comment too long", "POD1", {"a"}, std::string(81, 'c'), "The comment must fit"},
        {"empty POD1, told by its entries", "POD1", {}, "", "An empty POD1"},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.what);
        test::TempDir dir;
        fs::create_directory(dir.path() / "src");
        for (const std::string& name : refusal.names)
            test::writeFile(dir.path() / "src" / name, "x");
        const LayoutUnit& unit = *layoutNamed(refusal.layout);
        try {
            planNewArchive(unit, collectFiles(unit, {(dir.path() / "src").string()}, {}).files,
                           refusal.comment);
            ADD_FAILURE() << "accepted";
        } catch (const WriteRefused& refused) {
            EXPECT_EQ(refused.english().rfind(refusal.message, 0), 0u) << refused.english();
        }
    }
    EXPECT_EQ(layoutNamed("EPD")->longestName, 64);  // 64 characters still fit
    EXPECT_THROW(layoutForNewArchive("a.pod", "epd"), WriteRefused);
    EXPECT_THROW(layoutForNewArchive("a.epd", "pod3"), WriteRefused);
    EXPECT_THROW(layoutForNewArchive("a.pod", "pod4"), WriteRefused);
    EXPECT_EQ(layoutForNewArchive("A.EPD", "").name, "EPD");
    EXPECT_EQ(layoutForNewArchive("a.pod", "").name, "POD3");

    test::TempDir dir;
    const std::string path = (dir.path() / "a.pod").string();
    test::writeArchive(path, test::ArchiveLayout::POD4, {{"x", "1"}});
    TPOD pod(path);
    pod.ReadHeaderAndDirectory();
    EXPECT_THROW(planDeletion(pod, {0}, kStamp), WriteRefused);
}

struct Failure {
    const char* what;
    std::function<std::string(const fs::path& dir)> source;  // the file the plan packs
    const char* message;
};

// Every failure, and a cancel, leaves the old archive as it was and nothing beside it.
TEST(ArchiveWriter, FailureOrCancelKeepsTheOldArchive) {
    const std::vector<Failure> failures = {
        {"missing", [](const fs::path& dir) { return (dir / "gone").string(); },
         "Cannot read file "},
        {"a FIFO, not waited on",
         [](const fs::path& dir) {
             ::mkfifo((dir / "fifo").c_str(), 0600);
             return (dir / "fifo").string();
         },
         " is not a regular file."},
        // Its size says 0 but it yields bytes, as a file written meanwhile would.
        {"changes size", [](const fs::path&) { return std::string("/proc/self/status"); },
         "The file /proc/self/status changed size"},
        {"cancelled", [](const fs::path& dir) { return (dir / "new.txt").string(); }, nullptr},
    };
    for (const Failure& failure : failures) {
        SCOPED_TRACE(failure.what);
        test::TempDir dir;
        const std::string path = (dir.path() / "a.pod").string();
        test::writeArchive(path, test::ArchiveLayout::POD3, {{"x", "old"}});
        test::writeFile(dir.path() / "new.txt", "new");
        const std::string before = test::readFile(path);
        TPOD pod(path);
        pod.ReadHeaderAndDirectory();
        ArchivePlan plan = planDeletion(pod, {}, kStamp);
        plan.entries.push_back({.name = "NEW",
                                .sourcePath = failure.source(dir.path()),
                                .keptIndex = -1,
                                .bytes = {},
                                .timestamp = 0});
        if (failure.message == nullptr) {
            EXPECT_TRUE(writeArchive(plan, path, [](std::int64_t done, std::int64_t) {
                            return done == 0;
                        }).cancelled);
        } else {
            try {
                writeArchive(plan, path, keepGoing);
                ADD_FAILURE() << "written";
            } catch (const BilingualError& error) {
                EXPECT_NE(error.english().find(failure.message), std::string::npos)
                    << error.english();
            }
        }
        EXPECT_EQ(test::readFile(path), before);
        for (const std::string& name : test::namesIn(dir.path())) {
            EXPECT_EQ(name.find(".part"), std::string::npos) << name;
        }
    }
}

TEST(ArchiveWriter, FullDiskKeepsTheOldArchive) {
    test::SmallDisk disk(256 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << disk.refusal();
    const std::string path = (disk.path() / "a.pod").string();
    test::writeArchive(path, test::ArchiveLayout::POD, {{"x", "old"}});
    const std::string before = test::readFile(path);
    test::TempDir source;
    test::writeFile(source.path() / "big", std::string(400 * 1024, 'b'));
    const LayoutUnit& unit = *layoutNamed("POD2");
    EXPECT_THROW(
        write(planNewArchive(unit, collectFiles(unit, {source.path().string()}, {}).files, ""),
              path),
        DiskFull);
    EXPECT_EQ(test::readFile(path), before);
    EXPECT_EQ(disk.names(), std::vector<std::string>{"a.pod"});
}

}  // namespace
}  // namespace kelvane
