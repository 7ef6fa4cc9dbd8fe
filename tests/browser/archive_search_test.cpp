#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <chrono>
#include <filesystem>
#include <thread>

#include "archive/archive_search.h"
#include "archive/timestamps.h"
#include "browser/archive_search_window.h"
#include "browser/catalogue_model.h"
#include "tests/browser/main_window_fixture.h"

namespace kelvane::test {
namespace {

class ArchiveSearchTest : public MainWindowTest {
  protected:
    // A folder of two archives, one in a sub-folder, and a .POD that is none.
    std::string simulatorFolder() {
        const std::filesystem::path folder = dir.path() / "sim";
        std::filesystem::create_directories(folder / "ADDON");
        writeArchive(folder / "A.POD", ArchiveLayout::POD,
                     {{"ART\\ONE.TXT", "1", 86400}, {"ART\\PANEL.TGA", "22"}, {"TWO.txt", "333"}});
        writeArchive(folder / "ADDON" / "B.EPD", ArchiveLayout::EPD,
                     {{"README.TXT", "4444"}, {"SOUND.WAV", "55555"}});
        writeFile(folder / "JUNK.POD", "not an archive");
        return folder.string();
    }

    ArchiveSearchWindow& openSearch() {
        trigger("RechercherdanslesarchivesPODEPD1");
        auto* search = window().findChild<ArchiveSearchWindow*>();
        EXPECT_NE(search, nullptr);
        return *search;
    }

    static void startSearch(ArchiveSearchWindow& search, const std::string& folder,
                            const char* patterns) {
        search.findChild<QLineEdit*>("edFolder")->setText(QString::fromStdString(folder));
        search.findChild<QLineEdit*>("edPattern")->setText(QString::fromUtf8(patterns));
        search.findChild<QPushButton*>("btnSearch")->click();
    }

    static bool waitForEnd(ArchiveSearchWindow& search) {
        return QTest::qWaitFor([&] { return !search.searching(); }, 10000);
    }

    static QTableView* results(ArchiveSearchWindow& search) {
        return search.findChild<QTableView*>("sgResults");
    }

    static QStringList rowTexts(ArchiveSearchWindow& search) {
        QStringList texts;
        QAbstractItemModel* model = results(search)->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < 3; ++column)
                cells << model->index(row, column).data().toString();
            texts << cells.join(QLatin1Char('|'));
        }
        return texts;
    }

    static QString progress(ArchiveSearchWindow& search) {
        return search.findChild<QLabel*>("lblProgress")->text();
    }
};

TEST_F(ArchiveSearchTest, ListsTheMatchesOfEveryArchiveAndNamesTheUnreadableOnes) {
    // The folder starts as the simulator directory; "..." picks another.
    settings().flyDirectory = "/nowhere/";
    ArchiveSearchWindow& search = openSearch();
    auto* folder = search.findChild<QLineEdit*>("edFolder");
    EXPECT_EQ(folder->text(), "/nowhere/");
    desktop.directoryAnswers.push_back(QString::fromStdString(simulatorFolder()));
    search.findChild<QPushButton*>("btnBrowse")->click();
    EXPECT_EQ(desktop.directoryRequests.back().initialDirectory, "/nowhere/");
    EXPECT_EQ(folder->text().toStdString(), (dir.path() / "sim").string());
    // Enter in the names field searches; Tab goes from the fields to Search and the results.
    auto* names = search.findChild<QLineEdit*>("edPattern");
    names->setText("*.TXT  sound.wav");
    QTest::keyClick(names, Qt::Key_Return);
    ASSERT_TRUE(waitForEnd(search));
    EXPECT_EQ(folder->nextInFocusChain(), names);
    EXPECT_EQ(names->nextInFocusChain(), search.findChild<QPushButton*>("btnSearch"));
    EXPECT_EQ(names->nextInFocusChain()->nextInFocusChain(), results(search));

    EXPECT_EQ(rowTexts(search),
              QStringList({"A.POD|ART\\ONE.TXT|1", "A.POD|TWO.txt|3", "ADDON/B.EPD|README.TXT|4",
                           "ADDON/B.EPD|SOUND.WAV|5"}));
    // The date as the main listing writes it.
    EXPECT_EQ(results(search)->model()->index(0, 3).data().toString(),
              ListingDates().text(86400, standardBiasMinutes()));
    EXPECT_EQ(progress(search), "3 archives, 4 trouvés, 1 illisible");
    auto* unread = search.findChild<QListWidget*>("lstUnread");
    ASSERT_EQ(unread->count(), 1);
    EXPECT_TRUE(unread->item(0)->text().startsWith("JUNK.POD : "))
        << unread->item(0)->text().toStdString();
    EXPECT_TRUE(unread->isVisible());

    // A folder that cannot be listed is told on the progress line.
    startSearch(search, (dir.path() / "absent").string(), "*");
    ASSERT_TRUE(waitForEnd(search));
    EXPECT_TRUE(progress(search).startsWith("Recherche arrêtée : "))
        << progress(search).toStdString();
    EXPECT_EQ(results(search)->model()->rowCount(), 0);
    EXPECT_FALSE(unread->isVisible());
}

TEST_F(ArchiveSearchTest, SpeaksEnglishWhenTheSettingsSaySo) {
    writeFile(iniPath(), "[init]\r\nlangage=english\r\n");
    EXPECT_EQ(window().findChild<QAction*>("RechercherdanslesarchivesPODEPD1")->text(),
              "Search in archives...");
    ArchiveSearchWindow& search = openSearch();
    EXPECT_EQ(search.windowTitle(), "Search in archives");
    EXPECT_EQ(search.findChild<QPushButton*>("btnSearch")->text(), "Search");
    QStringList headers;
    for (int column = 0; column < 4; ++column)
        headers << results(search)->model()->headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(headers, QStringList({"Archive", "File", "Size", "Date"}));
    startSearch(search, simulatorFolder(), "*.WAV");
    ASSERT_TRUE(waitForEnd(search));
    EXPECT_EQ(progress(search), "3 archives, 1 found, 1 unreadable");
}

TEST_F(ArchiveSearchTest, ARowChosenOpensItsArchiveWithTheEntryCurrent) {
    const std::string folder = simulatorFolder();
    ArchiveSearchWindow& search = openSearch();
    startSearch(search, folder, "*");
    ASSERT_TRUE(waitForEnd(search));
    QTableView* table = results(search);
    ASSERT_EQ(table->model()->rowCount(), 5);

    struct Case {
        int row;
        bool byEnter;
        const char* status;
        const char* entry;
    };
    for (const Case& c : {Case{1, false, "A.POD", "ART\\PANEL.TGA"},
                          Case{4, true, "B.EPD", "SOUND.WAV"}, Case{2, true, "A.POD", "TWO.txt"}}) {
        const QPoint at = table->visualRect(table->model()->index(c.row, 1)).center();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
        if (c.byEnter) {
            QTest::keyClick(table, Qt::Key_Return);
        } else {
            QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
        }
        EXPECT_TRUE(status().startsWith(c.status)) << status().toStdString();
        const QModelIndex current = grid()->currentIndex();
        ASSERT_TRUE(current.isValid()) << c.entry;
        EXPECT_EQ(cell(current.row(), 1), c.entry);
        EXPECT_TRUE(grid()->selectionModel()->isRowSelected(current.row()));
        EXPECT_TRUE(grid()->viewport()->rect().intersects(grid()->visualRect(current)));
        // Enter on a row opens it without searching again.
        EXPECT_EQ(table->model()->rowCount(), 5);
    }
}

TEST_F(ArchiveSearchTest, CancellingClosingOrSearchingAgainStopsTheSearchPromptly) {
    std::filesystem::create_directories(dir.path() / "many");
    for (int a = 0; a < 40; ++a) {
        writeArchive(dir.path() / "many" / ("A" + std::to_string(100 + a) + ".POD"),
                     ArchiveLayout::POD, {{"X.TXT", "x"}});
    }
    // Each archive takes 20 ms: the whole search would last almost a second.
    const auto slow = [](const std::string& folder, const EntryPatterns& patterns,
                         const SearchedArchiveSink& sink) {
        return searchArchives(folder, patterns, [&](const SearchedArchive& searched) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            return sink(searched);
        });
    };
    for (const bool byClosing : {false, true}) {
        ArchiveSearchWindow search(&window(), slow);
        search.show();
        startSearch(search, (dir.path() / "many").string(), "*.TXT");
        ASSERT_TRUE(QTest::qWaitFor([&] { return results(search)->model()->rowCount() > 0; }));
        QElapsedTimer stopping;
        stopping.start();
        if (byClosing) {
            QTest::keyClick(&search, Qt::Key_Escape);
            EXPECT_FALSE(search.isVisible());
        } else {
            search.findChild<QPushButton*>("btnCancel")->click();
        }
        ASSERT_TRUE(waitForEnd(search));
        EXPECT_LT(stopping.elapsed(), 300);
        // One row per archive searched, each once, whatever the batches.
        QStringList archivesListed;
        for (const QString& row : rowTexts(search)) archivesListed << row.section('|', 0, 0);
        EXPECT_LT(archivesListed.size(), 40);
        EXPECT_EQ(archivesListed.removeDuplicates(), 0);
        if (!byClosing) {
            EXPECT_TRUE(progress(search).startsWith("Annulée : "))
                << progress(search).toStdString();
            EXPECT_TRUE(progress(search).contains(" / 40 archives"))
                << progress(search).toStdString();
        }
    }

    // A new search ends the one running: only its own rows are listed.
    ArchiveSearchWindow search(&window(), slow);
    search.show();
    startSearch(search, (dir.path() / "many").string(), "*.TXT");
    ASSERT_TRUE(QTest::qWaitFor([&] { return results(search)->model()->rowCount() > 0; }));
    startSearch(search, simulatorFolder(), "*.TXT");
    ASSERT_TRUE(waitForEnd(search));
    EXPECT_EQ(rowTexts(search),
              QStringList({"A.POD|ART\\ONE.TXT|1", "A.POD|TWO.txt|3", "ADDON/B.EPD|README.TXT|4"}));
}

}  // namespace
}  // namespace kelvane::test
