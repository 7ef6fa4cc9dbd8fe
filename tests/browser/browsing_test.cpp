#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTreeView>
#include <QUrl>
#include <cerrno>
#include <cstring>

#include "browser/catalogue_model.h"
#include "browser/listing_columns.h"
#include "preview/preview_pane.h"
#include "settings/ini_file.h"
#include "tests/browser/main_window_fixture.h"
#include "tests/support/small_disk.h"

namespace kelvane::test {
namespace {

const std::vector<StoredFile> kFiles = {{"ART\\A.RAW", "a", 100},
                                        {"ART\\SUB\\B.RAW", "bb", 200},
                                        {"art\\a.act", "ccc", 300},
                                        {"SONS\\C.WAV", "dddd", 400},
                                        {"readme.txt", "eeeee", 500}};

class BrowsingTest : public MainWindowTest {
  protected:
    QLineEdit* filter() { return window().findChild<QLineEdit*>("edFilter"); }
    QTreeView* tree() { return window().findChild<QTreeView*>("tvFolders"); }
    void press(QWidget* target, int key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }
    // The folder tree's texts, depth first.
    QStringList folders(const QModelIndex& parent = {}) {
        QStringList texts;
        QAbstractItemModel* model = tree()->model();
        for (int row = 0; row < model->rowCount(parent); ++row) {
            const QModelIndex item = model->index(row, 0, parent);
            texts << item.data().toString() << folders(item);
        }
        return texts;
    }
    void chooseFolder(const QString& text) {
        QAbstractItemModel* model = tree()->model();
        const QModelIndexList found =
            model->match(model->index(0, 0), Qt::DisplayRole, text, 1, Qt::MatchRecursive);
        ASSERT_EQ(found.size(), 1) << text.toStdString();
        tree()->setCurrentIndex(found[0]);
    }
};

TEST_F(BrowsingTest, FilterAndFolderNarrowTheRowsWhileTicksStayOnHiddenRows) {
    open(archive("a.POD", ArchiveLayout::POD, kFiles));
    EXPECT_EQ(folders(), (QStringList{"a.POD (5)", "ART (3)", "SUB (1)", "SONS (1)"}));

    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    press(&window(), Qt::Key_F, Qt::ControlModifier);
    EXPECT_TRUE(filter()->hasFocus());
    QTest::keyClicks(filter(), "*.raw");
    EXPECT_EQ(column(kColName), (QStringList{"ART\\A.RAW", "ART\\SUB\\B.RAW"}));
    EXPECT_EQ(status(), "a.POD - 5 fichiers pour 15 octets - 2 de 5 fichiers affichés");

    clickHeader(kColTick);  // the sel header ticks the shown rows only, and clears them
    EXPECT_EQ(status(), "a.POD - 5 fichiers pour 15 octets - 2 de 5 fichiers affichés - 2 cochés");
    clickHeader(kColTick);
    EXPECT_EQ(status(), "a.POD - 5 fichiers pour 15 octets - 2 de 5 fichiers affichés");
    press(grid(), Qt::Key_A, Qt::ControlModifier);  // ticks the shown rows only
    EXPECT_EQ(status(), "a.POD - 5 fichiers pour 15 octets - 2 de 5 fichiers affichés - 2 cochés");
    press(filter(), Qt::Key_Escape);
    EXPECT_EQ(filter()->text(), "");
    EXPECT_EQ(column(kColTick), (QStringList{"x", "x", "", "", ""}));
    EXPECT_EQ(status(), "a.POD - 5 fichiers pour 15 octets - 2 cochés");

    chooseFolder("ART (3)");
    EXPECT_EQ(column(kColName), (QStringList{"ART\\A.RAW", "ART\\SUB\\B.RAW", "art\\a.act"}));
    clickCell(0, kColTick);  // unticks A.RAW
    EXPECT_EQ(status(), "a.POD - 5 fichiers pour 15 octets - 3 de 5 fichiers affichés - 1 coché");
    chooseFolder("SONS (1)");
    EXPECT_EQ(column(kColName), (QStringList{"SONS\\C.WAV"}));

    // Extraction takes every ticked entry, shown or not.
    desktop.directoryAnswers.push_back(QString::fromStdString(dir.path().string() + "/out"));
    std::filesystem::create_directories(dir.path() / "out");
    click("btnExtractFile");
    EXPECT_EQ(namesIn(dir.path() / "out"), (std::vector<std::string>{"B.RAW"}));

    chooseFolder("a.POD (5)");
    EXPECT_EQ(rows(), 5);
}

TEST_F(BrowsingTest, SpaceTicksEnterViewsAndDraggedRowsBecomeFiles) {
    open(archive("a.POD", ArchiveLayout::POD, kFiles));
    grid()->setFocus();
    grid()->setCurrentIndex(grid()->model()->index(4, kColName));
    press(grid(), Qt::Key_Space);
    EXPECT_EQ(cell(4, kColTick), "x");
    press(grid(), Qt::Key_Space);
    EXPECT_EQ(cell(4, kColTick), " ");

    // Enter views the current row: a texture whose palette is missing (the companion's name
    // must match case and all) says so.
    settings().workDirectory = dir.path().string() + "/";
    grid()->setCurrentIndex(grid()->model()->index(0, kColName));
    press(grid(), Qt::Key_Return);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(desktop.messages[0].text.startsWith("Fichier ART\\A.ACT non trouvé"))
        << desktop.messages[0].text.toStdString();

    struct Case {
        bool structure;
        std::vector<std::string> urls;  // relative to the drag's folder
    };
    for (const Case& c : {Case{false, {"B.RAW", "C.WAV"}}, Case{true, {"ART", "SONS"}}}) {
        SCOPED_TRACE(c.structure);
        window().findChild<QCheckBox*>("cbStruct")->setChecked(c.structure);
        QAbstractItemModel* model = grid()->model();
        const std::unique_ptr<QMimeData> mime(model->mimeData(
            {model->index(1, kColName), model->index(3, kColName), model->index(3, kColSize)}));
        ASSERT_NE(mime, nullptr);
        std::vector<std::string> names;
        for (const QUrl& url : mime->urls()) names.push_back(url.fileName().toStdString());
        EXPECT_EQ(names, c.urls);
        const std::filesystem::path folder =
            std::filesystem::path(mime->urls()[0].toLocalFile().toStdString()).parent_path();
        EXPECT_EQ(readFile(folder / (c.structure ? "ART/SUB/B.RAW" : "B.RAW")), "bb");
        EXPECT_EQ(readFile(folder / (c.structure ? "SONS/C.WAV" : "C.WAV")), "dddd");
    }
}

TEST_F(BrowsingTest, ThePreviewFollowsTheCurrentRowAndCanBeHidden) {
    open(archive("a.POD", ArchiveLayout::POD, kFiles));
    auto* pane = window().findChild<PreviewPane*>("PreviewPane");
    QSignalSpy shown(pane, &PreviewPane::previewShown);
    grid()->setCurrentIndex(grid()->model()->index(4, kColName));  // readme.txt
    ASSERT_TRUE(shown.wait(5000));
    EXPECT_EQ(pane->findChild<QPlainTextEdit*>("PreviewText")->toPlainText(), "eeeee");

    // Typing in the filter while the row stays shown keeps its preview.
    QTest::keyClicks(filter(), "read");
    EXPECT_EQ(rows(), 1);
    EXPECT_TRUE(pane->findChild<QPlainTextEdit*>("PreviewText")->isVisible());
    // Once the filter hides the row, its preview goes too.
    QTest::keyClicks(filter(), "x");
    EXPECT_EQ(rows(), 0);
    EXPECT_TRUE(pane->findChild<QWidget*>("PreviewEmpty")->isVisible());

    // Hidden, kept hidden over a restart, shown again: the pane comes back at its width.
    const int width = pane->width();
    ASSERT_GT(width, 100);
    trigger("Apercu1");
    EXPECT_TRUE(pane->isHidden());
    window().close();
    form.reset();
    pane = window().findChild<PreviewPane*>("PreviewPane");
    EXPECT_TRUE(pane->isHidden());
    trigger("Apercu1");
    EXPECT_TRUE(pane->isVisible());
    EXPECT_EQ(pane->width(), width);
}

TEST_F(BrowsingTest, TabGoesFromTheFilterThroughTheTreeAndTheListingToThePreview) {
    open(archive("a.POD", ArchiveLayout::POD, kFiles));
    window().activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window()));
    auto* pane = window().findChild<PreviewPane*>("PreviewPane");
    QSignalSpy shown(pane, &PreviewPane::previewShown);
    filter()->setFocus();
    press(filter(), Qt::Key_Down);  // into the listing, on its first row
    EXPECT_TRUE(grid()->hasFocus());
    EXPECT_EQ(grid()->currentIndex().row(), 0);
    grid()->setCurrentIndex(grid()->model()->index(4, kColName));  // readme.txt
    ASSERT_TRUE(shown.wait(5000));

    filter()->setFocus();
    const QWidget* expected[] = {tree(), grid(), pane->findChild<QPlainTextEdit*>("PreviewText")};
    for (const QWidget* next : expected) {
        press(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next)
            << QApplication::focusWidget()->objectName().toStdString();
    }

    // Escape clears the filter and keeps the current row current.
    QTest::keyClicks(filter(), "read");
    press(filter(), Qt::Key_Escape);
    EXPECT_EQ(rows(), 5);
    EXPECT_EQ(grid()->currentIndex().data().toString(), "readme.txt");

    // Text a stored name cannot hold matches nothing.
    filter()->setText(QString::fromUtf8("\u03A9"));
    EXPECT_EQ(rows(), 0);
}

TEST_F(BrowsingTest, ThePaneSpeaksTheLanguageReadAtStart) {
    const struct {
        const char* language;
        const char* empty;
        const char* caption;  // readme.txt
        const char* reason;   // SONS\C.WAV, not a sound
    } cases[] = {
        {"français", "Aucune entrée sélectionnée", "5 octets, tout est affiché",
         "Ce n'est pas un son RIFF/WAVE."},
        {"english", "No entry selected", "5 bytes, all shown", "This is not a RIFF/WAVE sound."},
    };
    const std::string path = archive("a.POD", ArchiveLayout::POD, kFiles);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.language);
        form.reset();
        settings() = Settings{};
        writeFile(iniPath(), std::string("[init]\r\nlangage=") + c.language + "\r\n");
        auto* pane = window().findChild<PreviewPane*>("PreviewPane");
        EXPECT_EQ(pane->findChild<QLabel*>("PreviewEmpty")->text().toStdString(), c.empty);
        open(path);
        QSignalSpy shown(pane, &PreviewPane::previewShown);
        grid()->setCurrentIndex(grid()->model()->index(4, kColName));
        ASSERT_TRUE(shown.wait(5000));
        EXPECT_EQ(pane->findChild<QLabel*>("PreviewInfo")->text().toStdString(), c.caption);
        grid()->setCurrentIndex(grid()->model()->index(3, kColName));
        ASSERT_TRUE(shown.wait(5000));
        EXPECT_EQ(pane->findChild<QLabel*>("PreviewReason")->text().toStdString(), c.reason);
        // The dump's lines fit the pane's first width, characters included.
        auto* dump = pane->findChild<QPlainTextEdit*>("PreviewHexDump");
        EXPECT_EQ(dump->horizontalScrollBar()->maximum(), 0) << dump->toPlainText().toStdString();
    }
}

TEST(StoredNameElision, FoldersNearestTheFilePartGoFirst) {
    const QFontMetrics metrics(QApplication::font());
    const QString name = "LEVEL0\\SUB\\DEEP\\FILE.TXT";
    // Each shortened form is the one chosen when exactly its width is free.
    for (const QString& shortened :
         {name, QString("LEVEL0\\SUB\\\u2026\\FILE.TXT"), QString("LEVEL0\\\u2026\\FILE.TXT"),
          QString("\u2026\\FILE.TXT")}) {
        EXPECT_EQ(elidedStoredName(name, metrics, metrics.horizontalAdvance(shortened)), shortened);
    }
    const QString cut = elidedStoredName(name, metrics, metrics.horizontalAdvance("FILE"));
    EXPECT_TRUE(cut.contains(QChar(0x2026))) << cut.toStdString();
    EXPECT_LE(metrics.horizontalAdvance(cut), metrics.horizontalAdvance("FILE"));
}

TEST_F(BrowsingTest, RecentArchivesAndTheLayoutAreKeptInTheSettingsFile) {
    std::vector<std::string> opened;
    for (int i = 0; i < 10; ++i) {
        opened.push_back(archive("r" + std::to_string(i) + ".POD", ArchiveLayout::POD, kFiles));
        open(opened.back());
    }
    // A settings file made for the habits keeps the language in force.
    EXPECT_EQ(IniFile(iniPath()).readString("init", "langage", ""), "français");
    grid()->setColumnWidth(kColDirectory, 133);
    window().close();
    form.reset();

    QMenu* recent = window().findChild<QMenu*>("ArchivesrecentesPODEPD1");
    ASSERT_EQ(recent->actions().size(), 8);
    EXPECT_TRUE(recent->actions()[0]->text().endsWith("r9.POD"));
    EXPECT_TRUE(recent->actions()[7]->text().endsWith("r2.POD"));
    EXPECT_EQ(grid()->columnWidth(kColDirectory), 133);
    recent->actions()[3]->trigger();
    EXPECT_EQ(status(), "r6.POD - 5 fichiers pour 15 octets");
    EXPECT_TRUE(recent->actions()[0]->text().endsWith("r6.POD"));

    // A recent archive deleted since is said to be gone and leaves the list.
    std::filesystem::remove(opened[5]);
    ASSERT_TRUE(recent->actions()[4]->text().endsWith("r5.POD"));
    recent->actions()[4]->trigger();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(desktop.messages[0].text.contains("r5.POD n'existe plus"))
        << desktop.messages[0].text.toStdString();
    EXPECT_EQ(status(), "");
    EXPECT_EQ(rows(), 0);
    ASSERT_EQ(recent->actions().size(), 7);
    for (QAction* action : recent->actions()) EXPECT_FALSE(action->text().endsWith("r5.POD"));
}

TEST_F(BrowsingTest, RecentArchivesStayInMemoryWhenTheSettingsFileCannotBeWritten) {
    test::SmallDisk disk(64 * 1024);
    if (!disk.mounted()) GTEST_SKIP() << disk.refusal();
    writeFile(disk.path() / "TypeFichier.csv", "Ext.;Visionneuse\r\n");
    disk.makeReadOnly();
    const std::string ini = disk.withSeparator() + "Kelvane.ini";
    form = std::make_unique<Tform_main>(ini);
    form->show();

    open(archive("first.POD", ArchiveLayout::POD, kFiles));
    const std::string told =
        " - Liste des archives récentes non enregistrée, gardée jusqu'à la fermeture : Cannot "
        "create file " +
        ini + ": " + std::strerror(EROFS);
    EXPECT_EQ(status().toStdString(), "first.POD - 5 fichiers pour 15 octets" + told);
    QTest::keyClicks(filter(), "read");
    EXPECT_EQ(status().toStdString(),
              "first.POD - 5 fichiers pour 15 octets - 1 de 5 fichiers affichés" + told);
    // Said once: the next archive's status line is its own.
    open(archive("second.POD", ArchiveLayout::POD, kFiles));
    EXPECT_EQ(status(), "second.POD - 5 fichiers pour 15 octets");

    QMenu* recent = window().findChild<QMenu*>("ArchivesrecentesPODEPD1");
    ASSERT_EQ(recent->actions().size(), 2);
    EXPECT_TRUE(recent->actions()[0]->text().endsWith("second.POD"));
    EXPECT_TRUE(recent->actions()[1]->text().endsWith("first.POD"));
    window().close();  // the layout is not saved either, without a box
    EXPECT_TRUE(desktop.messages.empty()) << desktop.messages[0].text.toStdString();
    EXPECT_EQ(disk.names(), std::vector<std::string>{"TypeFichier.csv"});
}

}  // namespace
}  // namespace kelvane::test
