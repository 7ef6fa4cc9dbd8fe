// Damaged archives of every layout through every command: a header or directory that does not
// fit is named and stops the command; a reading that lacks bytes it lists is shown but never
// rewritten; add and delete leave the file as it was.
#include <gtest/gtest.h>

#include <functional>

#include "archive/pod_reader.h"
#include "tests/cli/cli_run.h"
#include "tests/support/archive_builder.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

using test::ArchiveLayout;
using test::run;

void put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = char(value >> (8 * i));
}

// Where the parts of a sound archive lie, read through the program's reader.
struct Facts {
    const LayoutUnit* unit;
    std::int64_t directory, recordsEnd, namesEnd;
    CatalogueEntry last;
};

Facts factsOf(const std::string& path) {
    TPOD pod(path);
    pod.ReadHeaderAndDirectory();
    const LayoutUnit& unit = pod.layout();
    Facts facts{&unit, directoryStart(unit, pod.header()), 0, 0, pod.catalogue().back()};
    facts.recordsEnd = facts.directory + std::int64_t(pod.catalogue().size()) * unit.recordSize;
    facts.namesEnd = facts.recordsEnd;
    if (unit.names == NameStorage::ByOffset) {
        facts.namesEnd += fieldValue(pod.header(), unit.header.nameTableSize);
    } else if (unit.names == NameStorage::InSequence) {
        for (const CatalogueEntry& entry : pod.catalogue())
            facts.namesEnd += std::int64_t(entry.name.size()) + 1;
    }
    return facts;
}

enum class Outcome {
    NotApplicable,  // the damage makes no sense for the layout
    Unreadable,     // every command names what runs past the end and stops
    ListedDamaged,  // listed; verify fails; never rewritten
    ListedGuessed,  // listed and verified; read by default, so never rewritten
};

struct Damage {
    const char* name;
    // Damages `bytes`; returns what the commands should make of the result.
    std::function<Outcome(std::string& bytes, const Facts& facts, ArchiveLayout layout)> apply;
};

// A POD1 is recognised by its directory alone: damaged, it is no POD1, and the older reading
// of its bytes does not fit.
Outcome listedUnlessPod1(ArchiveLayout layout) {
    return layout == ArchiveLayout::POD1 ? Outcome::Unreadable : Outcome::ListedDamaged;
}

const std::vector<Damage> kDamages = {
    {"cut in the directory",
     [](std::string& b, const Facts& f, ArchiveLayout) {
         b.resize(std::size_t(f.directory) + f.unit->recordSize + f.unit->recordSize / 2);
         return Outcome::Unreadable;
     }},
    {"cut in the name table",
     [](std::string& b, const Facts& f, ArchiveLayout) {
         if (f.unit->names == NameStorage::Inline) return Outcome::NotApplicable;
         b.resize(std::size_t(f.recordsEnd) + 2);
         return Outcome::Unreadable;
     }},
    {"cut in the data",
     [](std::string& b, const Facts& f, ArchiveLayout layout) {
         if (f.last.offset < f.namesEnd) return Outcome::NotApplicable;  // data before directory
         b.resize(f.last.offset + f.last.storedSize / 2);
         return listedUnlessPod1(layout);
     }},
    {"entry size past the end",
     [](std::string& b, const Facts& f, ArchiveLayout layout) {
         const std::size_t record =
             std::size_t(f.directory) + std::size_t(f.last.index) * f.unit->recordSize;
         put32(b, record + f.unit->record.storedSize.offset, 0x7FFFFF00u);
         return listedUnlessPod1(layout);
     }},
    {"header field past the end",
     [](std::string& b, const Facts& f, ArchiveLayout) {
         const HeaderFields& header = f.unit->header;
         if (header.directoryOffset.present()) {
             put32(b, header.directoryOffset.offset, std::uint32_t(b.size() + 100));
         } else {
             put32(b, header.count.offset, 1000);
         }
         return Outcome::Unreadable;
     }},
    {"tag naming no layout",
     [](std::string& b, const Facts&, ArchiveLayout layout) {
         if (layout != ArchiveLayout::POD) return Outcome::NotApplicable;
         b.replace(0, 4, "XYZW");
         return Outcome::ListedGuessed;
     }},
};

const std::vector<std::pair<ArchiveLayout, const char*>> kLayouts = {
    {ArchiveLayout::EPD, "EPD"},   {ArchiveLayout::POD1, "POD1"}, {ArchiveLayout::POD, "POD2"},
    {ArchiveLayout::POD3, "POD3"}, {ArchiveLayout::POD4, "POD4"}, {ArchiveLayout::POD5, "POD5"},
    {ArchiveLayout::POD6, "POD6"}};

bool has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

TEST(DamagedArchives, EveryCommandNamesTheDamageAndNoneRewritesTheFile) {
    test::TempDir dir;
    test::writeFile(dir.path() / "new.txt", "new");
    const std::vector<test::StoredFile> files = {{"A\\one.txt", std::string(3000, '1'), 100},
                                                 {"two.txt", std::string(4000, '2'), 200},
                                                 {"B\\three.bin", std::string(5000, '3'), 300}};
    int applied = 0;
    for (const auto& [layout, layoutName] : kLayouts) {
        const std::string path =
            (dir.path() / (layout == ArchiveLayout::EPD ? "x.epd" : "x.pod")).string();
        const std::string sound = test::buildArchive(layout, files);
        test::writeFile(path, sound);
        const Facts facts = factsOf(path);
        for (const Damage& damage : kDamages) {
            SCOPED_TRACE(std::string(layoutName) + ", " + damage.name);
            std::string bytes = sound;
            const Outcome outcome = damage.apply(bytes, facts, layout);
            if (outcome == Outcome::NotApplicable) continue;
            ++applied;
            test::writeFile(path, bytes);

            const test::CliRun list = run({"list", path});
            const test::CliRun verify = run({"verify", path});
            test::TempDir out;
            const test::CliRun extract = run({"extract", path, out.path().string()});
            for (const cli::Arguments& write : {cli::Arguments{"delete", path, "1"},
                                                {"delete", path, "*.txt"},
                                                {"add", path, (dir.path() / "new.txt").string()}}) {
                const test::CliRun refused = run(write);
                EXPECT_EQ(refused.status, 1) << write[0] << " " << write[2];
                EXPECT_EQ(test::readFile(path), bytes) << write[0] << " " << write[2];
                if (outcome == Outcome::ListedDamaged && facts.unit->writable()) {
                    EXPECT_TRUE(has(refused.err, "cannot be rewritten without loss: entry 3 "))
                        << refused.err;
                }
            }
            if (outcome == Outcome::Unreadable) {
                for (const cli::Arguments& command : {cli::Arguments{"list", "-l", path},
                                                      {"list", "--json", path},
                                                      {"info", "--verbose", path},
                                                      {"audit", path},
                                                      {"cat", path, "1"}}) {
                    const test::CliRun failed = run(command);
                    EXPECT_EQ(failed.status, 1) << command[0];
                    EXPECT_EQ(failed.out, "") << command[0];
                    EXPECT_TRUE(has(failed.err, path + ": Stream read error: the ")) << failed.err;
                }
                EXPECT_EQ(list.status, 1);
                EXPECT_TRUE(has(list.err, " past the end of the file (")) << list.err;
                EXPECT_EQ(verify.status, 1);
                EXPECT_EQ(extract.status, 1);
                EXPECT_TRUE(test::namesIn(out.path()).empty());
                continue;
            }
            EXPECT_EQ(list.status, 0) << list.err;
            EXPECT_EQ(run({"info", path}).status, 0);
            if (outcome == Outcome::ListedGuessed) {
                EXPECT_EQ(verify.status, 0) << verify.out;
                EXPECT_EQ(extract.status, 0) << extract.err;
                EXPECT_TRUE(has(run({"delete", path, "1"}).err, "its first bytes (\"XYZW\")"));
                continue;
            }
            EXPECT_EQ(verify.status, 1) << verify.out;
            EXPECT_TRUE(has(verify.out, "Entry 3 \"B\\three.bin\"")) << verify.out;
            // The entry is cut short or its stream ends early; the others come out whole.
            EXPECT_EQ(test::readFile(out.path() / "one.txt"), files[0].data);
            EXPECT_EQ(test::readFile(out.path() / "two.txt"), files[1].data);
            if (extract.status != 0) {
                EXPECT_TRUE(has(extract.err, "three.bin")) << extract.err;
            }
        }
    }
    EXPECT_EQ(applied, 33);  // no case skipped by a builder that placed things elsewhere
}

}  // namespace
}  // namespace kelvane
