#include <QCheckBox>
#include <filesystem>

#include "tests/browser/main_window_fixture.h"
#include "tests/support/small_disk.h"

namespace kelvane::test {
namespace {

namespace fs = std::filesystem;
using Kind = DesktopServices::MessageKind;

// Sizes differ so that sorting by size reverses the directory order.
const std::vector<StoredFile> kFiles = {
    {"big\\same.txt", std::string(30, 'b'), 0},
    {"LEVEL1\\LEVEL2\\deep.txt", std::string(20, 'd'), 0},
    {"small\\same.txt", "s", 0},
};

class CommandsTest : public MainWindowTest {
  protected:
    fs::path target() {
        const fs::path path = dir.path() / "out";
        fs::create_directories(path);
        return path;
    }
    void extractTo(const fs::path& directory) {
        desktop.directoryAnswers.push_back(QString::fromStdString(directory.string()));
        click("btnExtractFile");
    }
    void structure(bool on) { window().findChild<QCheckBox*>("cbStruct")->setChecked(on); }
};

TEST_F(CommandsTest, SortedTickedRowsExtractTheEntriesShownInThem) {
    open(archive("a.POD", ArchiveLayout::POD, kFiles));
    clickHeader(3);  // by size: small, deep, big
    clickCell(0, 0);
    clickCell(2, 0);
    clickCell(1, 0);
    clickCell(1, 0);  // " ": skipped
    extractTo(target());

    EXPECT_EQ(desktop.directoryRequests.back().titleOrFilter, "Choisissez un répertoire");
    EXPECT_EQ(desktop.directoryRequests.back().newFolders, DesktopServices::NewFolders::Refused);
    EXPECT_EQ(settings().workDirectory, target().string() + "/");
    // Grid order: small then big, so the big entry's bytes are the ones left.
    EXPECT_EQ(readFile(target() / "same.txt"), std::string(30, 'b'));
    EXPECT_FALSE(fs::exists(target() / "deep.txt"));
    // The replacement is said at the end of the run.
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text,
              "2 entrées portaient le même nom sans leur dossier : same.txt. Cochez « Recréer la "
              "structure du répertoire » pour les garder toutes.\r\n2 entries had the same name "
              "without their folder: same.txt. Tick \"Create directory structure\" to keep them "
              "all.");

    clickHeader(3);  // descending: big, deep, small; ticks stay with their rows
    EXPECT_EQ(column(0), (QStringList{"x", " ", "x"}));
    extractTo(target());
    EXPECT_EQ(readFile(target() / "same.txt"), "s");
}

TEST_F(CommandsTest, StructureIsRecreatedAtEveryDepthForBothKinds) {
    for (const auto& [name, layout] :
         {std::pair{"a.POD", ArchiveLayout::POD}, std::pair{"a.EPD", ArchiveLayout::EPD}}) {
        SCOPED_TRACE(name);
        const fs::path out = dir.path() / (std::string("out-") + name);
        fs::create_directory(out);
        open(archive(name, layout, kFiles));
        structure(true);
        clickHeader(0);
        extractTo(out);
        EXPECT_EQ(readFile(out / "LEVEL1" / "LEVEL2" / "deep.txt"), std::string(20, 'd'));
        EXPECT_EQ(readFile(out / "small" / "same.txt"), "s");
        EXPECT_EQ(readFile(out / "big" / "same.txt"), std::string(30, 'b'));
    }
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(CommandsTest, UnsafeNamesAreRefusedAndTheOthersExtracted) {
    open(archive(
        "a.POD", ArchiveLayout::POD,
        {{"..\\..\\escape.txt", "evil", 0}, {"ok.txt", "fine", 0}, {"C:\\abs.txt", "x", 0}}));
    const fs::path out = target() / "inner";
    fs::create_directory(out);
    structure(true);
    clickHeader(0);
    extractTo(out);
    EXPECT_EQ(readFile(out / "ok.txt"), "fine");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].kind, Kind::Error);
    EXPECT_TRUE(desktop.messages[0].text.contains("..\\..\\escape.txt"));
    EXPECT_TRUE(desktop.messages[0].text.contains("C:\\abs.txt"));
    EXPECT_FALSE(fs::exists(target() / "escape.txt"));
    EXPECT_FALSE(fs::exists(dir.path() / "escape.txt"));
    EXPECT_FALSE(fs::exists(out / "abs.txt"));

    // Without the structure only final name components are used: nothing to refuse.
    structure(false);
    desktop.messages.clear();
    extractTo(out);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(readFile(out / "escape.txt"), "evil");
}

TEST_F(CommandsTest, AFullDiskEndsTheRunInOneBoxBesideTheRefusalsAndKeepsTheUsersFile) {
    SmallDisk disk(128 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << disk.refusal();
    writeFile(disk.path() / "big.bin", "the user's own file");
    open(archive("a.POD", ArchiveLayout::POD,
                 {{"..\\escape.txt", "evil", 0},
                  {"one.txt", "1", 0},
                  {"big.bin", std::string(256 * 1024, 'b'), 0},
                  {"after.txt", "never reached", 0}}));
    structure(true);
    clickHeader(0);
    extractTo(disk.path());
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].kind, Kind::Error);
    const QString text = desktop.messages[0].text;
    EXPECT_EQ(text, QStringLiteral(
                        "L'entrée \"..\\escape.txt\" est refusée : son nom la placerait hors du "
                        "répertoire choisi.\r\nEntry \"..\\escape.txt\" refused: its name would "
                        "place it outside the target directory\r\n\r\nLe disque est plein : ") +
                        QString::fromStdString(disk.withSeparator()) +
                        QStringLiteral("big.bin n'a pas pu être écrit.\r\nThe disk is full: ") +
                        QString::fromStdString(disk.withSeparator()) +
                        QStringLiteral("big.bin could not be written."));
    EXPECT_EQ(readFile(disk.path() / "big.bin"), "the user's own file");
    EXPECT_EQ(disk.names(), (std::vector<std::string>{"big.bin", "one.txt"}));
}

TEST_F(CommandsTest, ExtractionWithoutArchiveOrChoiceWritesNothing) {
    settings().workDirectory = "/start/";
    window().findChild<QAction*>("ExtraireunfichierdunPODEPD1")->trigger();
    EXPECT_EQ(desktop.directoryRequests.back().initialDirectory, "/start/");
    EXPECT_EQ(settings().workDirectory, "/start/");  // cancelled

    // No archive listed (the tool button is still disabled; the menu item is not): only the
    // working directory changes.
    desktop.directoryAnswers.push_back(QString::fromStdString(target().string()));
    window().findChild<QAction*>("ExtraireunfichierdunPODEPD1")->trigger();
    EXPECT_EQ(settings().workDirectory, target().string() + "/");
    EXPECT_TRUE(fs::is_empty(target()));

    open(archive("a.POD", ArchiveLayout::POD, kFiles));
    extractTo(target());  // nothing ticked
    EXPECT_TRUE(fs::is_empty(target()));
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(CommandsTest, ViewingAnEntryCopiesItOutAndDeletesItAfterwards) {
    settings().workDirectory = target().string() + "/";
    open(archive("a.EPD", ArchiveLayout::EPD, kFiles));
    clickHeader(3);
    doubleClickCell(1, 1);  // LEVEL1\LEVEL2\deep.txt
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].kind, Kind::Information);
    EXPECT_EQ(desktop.messages[0].text,
              "Le fichier deep.txt ne peut être montré. \r\nStructure inconnu.");
    EXPECT_TRUE(fs::is_empty(target()));

    // A file from disk is shown by its name and never deleted.
    const fs::path onDisk = dir.path() / "notes.xyz";
    writeFile(onDisk, "keep");
    desktop.openFileAnswers.push_back(QString::fromStdString(onDisk.string()));
    click("btnOpenFile");
    EXPECT_EQ(desktop.openFileRequests.back().titleOrFilter, "Tous fichiers|*.*|");
    EXPECT_EQ(desktop.openFileRequests.back().initialDirectory,
              QString::fromStdString(settings().workDirectory));
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[1].text,
              "Le fichier notes.xyz ne peut être montré. \r\nStructure inconnu.");
    EXPECT_TRUE(fs::exists(onDisk));
}

}  // namespace
}  // namespace kelvane::test
