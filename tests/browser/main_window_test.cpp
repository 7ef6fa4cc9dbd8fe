#include <QCheckBox>
#include <QDragEnterEvent>
#include <QMimeData>
#include <QStatusBar>
#include <QTabWidget>
#include <QUrl>
#include <filesystem>
#include <utility>

#include "browser/listing_text.h"

#include "tests/browser/main_window_fixture.h"

namespace kelvane::test {
namespace {

namespace fs = std::filesystem;
using Kind = DesktopServices::MessageKind;

const std::vector<StoredFile> kFiles = {
    {"ART\\PANEL\\gauge.tga", std::string(300, 'g'), 1000000000},
    {"readme.txt", "hello", 0},
    {"dir/slash.txt", std::string(20, 's'), 86400},
    {"sounds:beep.wav", "", 0xFFFFFFFFu},
};

TEST_F(MainWindowTest, StartsEmptyWithNamedControls) {
    EXPECT_EQ(window().windowTitle(),
              "Kelvane v1.0 - Visualiseur de fichier POD/EPD pour Fly! 1 et 2");
    EXPECT_FALSE(window().findChild<QToolButton*>("btnExtractFile")->isEnabled());
    EXPECT_EQ(window().findChild<QToolButton*>("btnOpenPOD")->toolTip(),
              "Ouvre un fichier POD/EPD");
    EXPECT_EQ(window().findChild<QAction*>("Langage")->text(), "English");
    for (const char* name : {"cbStruct", "tsPOD", "tsExt", "OuvrirunPODEPD1",
                             "ExtraireunfichierdunPODEPD1", "Voir1", "Repertoire", "btnOpenFile"}) {
        EXPECT_NE(window().findChild<QObject*>(name), nullptr) << name;
    }
    EXPECT_EQ(rows(), 0);
    QStringList headers;
    for (int c = 0; c < 6; ++c)
        headers << grid()->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{"sel", "Nom fichier", "Répertoire", "Taille", "Date", "n°"}));
    EXPECT_EQ(grid()->selectionBehavior(), QAbstractItemView::SelectRows);
    // Column 1 is shown as the sort column before any click.
    EXPECT_EQ(grid()->horizontalHeader()->sortIndicatorSection(), 1);
}

TEST_F(MainWindowTest, ListsEveryArchiveLayout) {
    for (const auto& [name, layout] :
         {std::pair{"one.EPD", ArchiveLayout::EPD}, std::pair{"two.pod", ArchiveLayout::POD},
          std::pair{"three.POD", ArchiveLayout::POD3}}) {
        const std::string path = archive(name, layout, kFiles);
        open(path);
        SCOPED_TRACE(name);
        EXPECT_EQ(window().windowTitle(), "Kelvane - " + QString::fromStdString(path));
        ASSERT_EQ(rows(), 4);
        EXPECT_EQ(column(1), (QStringList{"ART\\PANEL\\gauge.tga", "readme.txt", "dir/slash.txt",
                                          "sounds:beep.wav"}));
        EXPECT_EQ(column(2), (QStringList{"ART\\PANEL\\", "", "", "sounds:"}));
        EXPECT_EQ(column(3), (QStringList{"300", "5", "20", "0"}));
        EXPECT_EQ(column(5), (QStringList{"1", "2", "3", "4"}));
        EXPECT_EQ(column(0), (QStringList{"", "", "", ""}));
        EXPECT_EQ(status(), QString(name) + " - 4 fichiers pour 325 octets");
        EXPECT_TRUE(window().findChild<QToolButton*>("btnExtractFile")->isEnabled());
    }
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(desktop.openFileRequests.back().titleOrFilter,
              "Fichiers Fly! POD/EPD|*.POD;*.EPD|Tous fichiers|*.*");
}

TEST_F(MainWindowTest, EmptyArchiveAndFailedOpens) {
    open(archive("empty.POD", ArchiveLayout::POD, {}));
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(status(), "empty.POD - 0 fichiers pour 0 octets");

    // Not an archive name: nothing at all happens.
    const QString title = window().windowTitle();
    open(archive("other.zip", ArchiveLayout::POD, kFiles));
    EXPECT_EQ(window().windowTitle(), title);
    EXPECT_TRUE(desktop.messages.empty());

    // A missing archive is named in an error box; the listing is emptied.
    open(archive("full.EPD", ArchiveLayout::EPD, kFiles));
    const std::string missing = (dir.path() / "missing.POD").string();
    open(missing);
    EXPECT_EQ(rows(), 0);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].kind, Kind::Error);
    EXPECT_EQ(desktop.messages[0].text,
              QString("Impossible d'ouvrir le fichier %1\r\nCannot open file %1")
                  .arg(QString::fromStdString(missing)));

    // A truncated directory: the read error in a box, the status line left alone.
    const std::string cut = (dir.path() / "cut.EPD").string();
    writeFile(cut, readFile(dir.path() / "full.EPD").substr(0, 300));
    open(cut);
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_TRUE(desktop.messages[1].text.endsWith(
        "\r\nStream read error: the EPD directory ends past the end of the file (at byte 592 of "
        "a file of 300 bytes)."))
        << desktop.messages[1].text.toStdString();
    EXPECT_EQ(status(), "full.EPD - 4 fichiers pour 325 octets");
    EXPECT_EQ(rows(), 0);
}

TEST_F(MainWindowTest, DroppedArchiveOpens) {
    const std::string path = archive("dropped.EPD", ArchiveLayout::EPD, kFiles);
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
    const QPoint at = window().rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window(), &drop);
    EXPECT_EQ(rows(), 4);
    EXPECT_EQ(status(), "dropped.EPD - 4 fichiers pour 325 octets");

    QMimeData text;
    text.setUrls({QUrl::fromLocalFile(QString::fromStdString((dir.path() / "a.txt").string()))});
    // Off the listing, where a dropped file would be added to the open archive.
    const QPoint offListing = window().statusBar()->geometry().center();
    QDragEnterEvent refused(offListing, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
    refused.setAccepted(false);
    QCoreApplication::sendEvent(&window(), &refused);
    EXPECT_FALSE(refused.isAccepted());
}

TEST_F(MainWindowTest, HeaderClicksSortByValueAndKeepTheNumberColumn) {
    open(archive("a.POD", ArchiveLayout::POD, kFiles));
    clickHeader(3);
    EXPECT_EQ(column(3), (QStringList{"0", "5", "20", "300"}));
    EXPECT_EQ(grid()->horizontalHeader()->sortIndicatorSection(), 3);
    EXPECT_EQ(grid()->horizontalHeader()->sortIndicatorOrder(), Qt::AscendingOrder);
    EXPECT_EQ(column(5), (QStringList{"4", "2", "3", "1"}));
    clickHeader(3);
    EXPECT_EQ(column(3), (QStringList{"300", "20", "5", "0"}));
    EXPECT_EQ(grid()->horizontalHeader()->sortIndicatorOrder(), Qt::DescendingOrder);

    // Dates by value: the timestamp 0xFFFFFFFF is one second before 1970.
    clickHeader(4);
    EXPECT_EQ(column(5), (QStringList{"4", "2", "3", "1"}));
    clickHeader(1);
    EXPECT_EQ(column(1), (QStringList{"ART\\PANEL\\gauge.tga", "dir/slash.txt", "readme.txt",
                                      "sounds:beep.wav"}));
    clickHeader(5);
    EXPECT_EQ(column(5), (QStringList{"1", "2", "3", "4"}));
    clickHeader(5);
    EXPECT_EQ(column(5), (QStringList{"4", "3", "2", "1"}));

    // Sizes of 2 GiB and more, as the unsigned values the records hold.
    std::string big = test::buildArchive(ArchiveLayout::POD, kFiles);
    for (const auto& [record, size] : {std::pair{0, 0xFFFFFFFFu}, {2, 0x80000000u}}) {
        for (int i = 0; i < 4; ++i) big[96 + 20 * record + 4 + i] = char(size >> (8 * i));
    }
    writeFile(dir.path() / "big.POD", big);
    open((dir.path() / "big.POD").string());
    clickHeader(3);
    EXPECT_EQ(column(3), (QStringList{"0", "5", "2147483648", "4294967295"}));
    EXPECT_EQ(status(), "big.POD - 4 fichiers pour 6442450948 octets");

    // A new archive is listed in directory order again; one row does not sort.
    open(archive("one.POD", ArchiveLayout::POD, {{"z.txt", "1", 0}}));
    EXPECT_EQ(grid()->horizontalHeader()->sortIndicatorSection(), 1);
    clickHeader(3);
    EXPECT_EQ(grid()->horizontalHeader()->sortIndicatorSection(), 1);
}

TEST_F(MainWindowTest, TickingRowsAndTheTickAllHeader) {
    open(archive("a.POD", ArchiveLayout::POD, kFiles));
    clickCell(1, 0);
    EXPECT_EQ(column(0), (QStringList{"", "x", "", ""}));
    clickCell(1, 0);
    EXPECT_EQ(column(0), (QStringList{"", " ", "", ""}));
    clickCell(1, 0);
    clickCell(2, 1);  // other columns do not tick
    EXPECT_EQ(column(0), (QStringList{"", "x", "", ""}));

    clickHeader(0);
    EXPECT_EQ(column(0), (QStringList{"x", "x", "x", "x"}));
    EXPECT_EQ(column(5), (QStringList{"1", "2", "3", "4"}));  // no sorting
    clickHeader(0);
    EXPECT_EQ(column(0), (QStringList{"", "", "", ""}));

    // A second archive starts unticked with the tick-all state reset.
    clickHeader(0);
    open(archive("b.EPD", ArchiveLayout::EPD, kFiles));
    EXPECT_EQ(column(0), (QStringList{"", "", "", ""}));
    clickHeader(0);
    EXPECT_EQ(column(0), (QStringList{"x", "x", "x", "x"}));
}

TEST_F(MainWindowTest, DateColumnInLocalStandardTimeAndDateOnlyAtMidnight) {
    // Paris: one hour east of UTC, two in summer; summer time is never applied.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    open(archive("a.POD", ArchiveLayout::POD,
                 {{"summer", "", 1000000000}, {"midnight", "", 86400 * 365 - 3600}}));
    zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);

    const QLocale locale = QLocale::system();
    const QString timeFormat = QString::fromStdString(
        timeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat).toStdString()));
    EXPECT_EQ(cell(0, 4),
              locale.toString(QDate(2001, 9, 9), locale.dateFormat(QLocale::ShortFormat)) + " " +
                  locale.toString(QTime(2, 46, 40), timeFormat));
    EXPECT_EQ(cell(1, 4),
              locale.toString(QDate(1971, 1, 1), locale.dateFormat(QLocale::ShortFormat)));
}

}  // namespace
}  // namespace kelvane::test
