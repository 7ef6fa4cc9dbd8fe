#include <gtest/gtest.h>

#include <QApplication>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolButton>
#include <stdexcept>

#include "decoders/FichierBGR.h"
#include "decoders/FichierDBF.h"
#include "decoders/FichierKEY.h"
#include "settings/settings.h"
#include "tests/support/dbf_builder.h"
#include "tests/support/key_file_builder.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/tagged_file_builder.h"
#include "tests/support/temp_dir.h"
#include "viewers/MemoSearch.h"
#include "viewers/find_replace_dialogs.h"

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace kelvane {
namespace {

using test::TempDir;

struct LanguageScope {
    explicit LanguageScope(const char* language) { settings().language = language; }
    ~LanguageScope() { settings().language.clear(); }
};

struct LocaleScope {
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(QLocale::c()); }
};

// Prints what it is asked to print into a PDF file, as a PDF printer would.
class PdfDesktop : public test::ScriptedDesktop {
  public:
    QString pdfPath;

    bool print(QWidget* parent, QTextDocument& document, const QString& jobTitle) override {
        if (!ScriptedDesktop::print(parent, document, jobTitle)) return false;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
        printer.setDocName(jobTitle);
        document.print(&printer);
        return true;
    }
};

void activate(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

QString pathIn(const TempDir& dir, const char* name) {
    return QString::fromStdString((dir.path() / name).string());
}

TEST(ObjectWindow, DecodesWithTheLocaleSeparatorAndKeepsItsTextOnFileErrors) {
    test::ScriptedDesktop desktop;
    TempDir dir;
    test::TaggedFileBuilder file;
    file.tag("<orgn>").real(1.5).real(0).real(-2).shortInLong(7).tag("<icao>").string("Orl\xE9");
    test::writeFile(dir.path() / "PISTE.BGR", file.bytes());

    TformBGR window;
    {
        LocaleScope french(QLocale(QLocale::French, QLocale::France));
        window.Decode(pathIn(dir, "PISTE.BGR"));
    }
    EXPECT_EQ(window.memo()->toPlainText(), "<orgn>\n1,5\n0\n-2\n7\n<icao>\nOrlé");
    EXPECT_THROW(window.Decode(pathIn(dir, "NONE.BGR")), std::runtime_error);
    EXPECT_EQ(window.memo()->blockCount(), 7);

    window.Decode(pathIn(dir, "PISTE.BGR"));
    EXPECT_EQ(window.memo()->document()->findBlockByNumber(1).text(), "1.5");
    test::writeFile(dir.path() / "EMPTY.BGR", "");
    window.Decode(pathIn(dir, "EMPTY.BGR"));
    EXPECT_EQ(window.memo()->toPlainText(), "");
    EXPECT_EQ(window.windowTitle(), "Fichier Objet");

    activate(window);
    EXPECT_TRUE(window.memo()->hasFocus());
    EXPECT_EQ(window.findChild<QLabel*>("Label1")->text(), "CTRL-F pour effectuer une recherche");
    window.findChild<QPushButton*>("btnQuit")->click();
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST(DecoderWindows, EnglishCaptionsOnActivation) {
    test::ScriptedDesktop desktop;
    LanguageScope english("english");
    TformBGR object;
    activate(object);
    EXPECT_EQ(object.findChild<QPushButton*>("btnQuit")->text(), "Quit");
    EXPECT_EQ(object.findChild<QLabel*>("Label1")->text(), "CTRL-F to search word");
    TformKey key;
    activate(key);
    EXPECT_EQ(key.findChild<QPushButton*>("btnQuit")->text(), "Quit");
    EXPECT_EQ(key.findChild<QToolButton*>("tbPrint")->text(), "Print");
    EXPECT_TRUE(key.listing()->hasFocus());
    TformDBF table;
    activate(table);
    EXPECT_EQ(table.findChild<QPushButton*>("btnQuit")->text(), "Quit");
}

std::string keyFile() {
    return test::buildKeyFile(
        {{"Pilotage",
          {{{{"name", "Pause"}, {"code", "59"}}}, {{{"name", "Frein"}, {"code", "65595"}}}}},
         {"Vues",
          {{{{"name",
              "Entr\xE9"
              "e"},
             {"code", "284"}}}}}});
}

TEST(KeyWindow, HeadingsAreLargeBoldBlueAndKeyLinesSmallBlack) {
    test::ScriptedDesktop desktop;
    TempDir dir;
    test::writeFile(dir.path() / "FLY.KEY", keyFile());
    TformKey window;
    window.Openkey(pathIn(dir, "FLY.KEY"));

    const QTextDocument& document = *window.listing()->document();
    ASSERT_EQ(document.blockCount(), 9);
    const QString dots40(40, '.');
    EXPECT_EQ(document.findBlockByNumber(1).text(), "Pilotage");
    EXPECT_EQ(document.findBlockByNumber(2).text(), QString(41, '-'));
    EXPECT_EQ(document.findBlockByNumber(3).text(), "Pause" + dots40 + "  F1");
    EXPECT_EQ(document.findBlockByNumber(4).text(), "Frein" + dots40 + " CTRL F1");
    EXPECT_EQ(document.findBlockByNumber(8).text(),
              "Entrée" + QString(39, '.') + "  Entrée (pavé num.)");

    const auto formatOf = [&](int block) {
        return document.findBlockByNumber(block).begin().fragment().charFormat();
    };
    for (int block : {1, 2, 6}) {
        const QTextCharFormat heading = formatOf(block);
        EXPECT_EQ(heading.fontWeight(), QFont::Bold) << block;
        EXPECT_EQ(heading.fontPointSize(), 16) << block;
        EXPECT_EQ(heading.foreground().color(), QColor(Qt::blue)) << block;
        EXPECT_TRUE(QFontInfo(heading.font()).fixedPitch()) << block;
    }
    const QTextCharFormat entry = formatOf(3);
    EXPECT_EQ(entry.fontWeight(), QFont::Normal);
    EXPECT_EQ(entry.fontPointSize(), 10);
    EXPECT_EQ(entry.foreground().color(), QColor(Qt::black));
    EXPECT_TRUE(QFontInfo(entry.font()).fixedPitch());
    // The empty line that opens a set is a heading line too, so it keeps the heading's height.
    EXPECT_EQ(document.findBlockByNumber(5).charFormat().fontPointSize(), 16);
}

TEST(KeyWindow, BadValuesAndMissingFilesAreReportedAndTheListingStaysShown) {
    test::ScriptedDesktop desktop;
    TempDir dir;
    test::writeFile(dir.path() / "FLY.KEY", keyFile());
    test::writeFile(dir.path() / "BAD.KEY",
                    test::buildKeyFile({{"Vues",
                                         {{{{"name", "Zoom"}, {"code", "45"}}},
                                          {{{"name", "Recul"}, {"code", "4x"}}}}}}));
    TformKey window;
    window.Openkey(pathIn(dir, "FLY.KEY"));
    activate(window);

    guarded(&window, [&] { window.Openkey(pathIn(dir, "BAD.KEY")); });
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].kind, DesktopServices::MessageKind::Error);
    EXPECT_TRUE(desktop.messages[0].text.contains("4x")) << desktop.messages[0].text.toStdString();
    EXPECT_EQ(window.listing()->toPlainText(),
              "\nVues\n" + QString(41, '-') + "\nZoom" + QString(41, '.') + "  X");
    EXPECT_TRUE(window.listing()->isVisible());

    EXPECT_THROW(window.Openkey(pathIn(dir, "NONE.KEY")), std::runtime_error);
    EXPECT_TRUE(window.listing()->toPlainText().contains("Zoom"));
    EXPECT_TRUE(window.listing()->isVisible());
}

TEST(KeyWindow, NamesAreTextAndTheFindDialogStaysOpenAfterASearch) {
    test::ScriptedDesktop desktop;
    TempDir dir;
    test::writeFile(dir.path() / "FLY.KEY",
                    test::buildKeyFile({{"<b>Vues & co</b>",
                                         {{{{"name", "a&b<i>Zoom"}, {"code", "45"}}},
                                          {{{"name", "Recul"}, {"code", "46"}}}}}}));
    TformKey window;
    window.Openkey(pathIn(dir, "FLY.KEY"));
    activate(window);
    EXPECT_EQ(window.listing()->toPlainText(), "\n<b>Vues & co</b>\n" + QString(41, '-') +
                                                   "\na&b<i>Zoom" + QString(35, '.') +
                                                   "  X\nRecul" + QString(40, '.') + "  C");

    QTest::keyClick(window.listing(), Qt::Key_F, Qt::ControlModifier);
    QCoreApplication::processEvents();
    FindDialog* dialog = window.memoSearch()->dialog();
    ASSERT_NE(dialog, nullptr);
    dialog->setFindText("Recul");
    dialog->findChild<QPushButton*>("FindNext")->click();
    EXPECT_EQ(window.listing()->textCursor().selectedText(), "Recul");
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(desktop.messages.empty());
}

TEST(KeyWindow, PrintsTheListingAsOneJobOnlyWhenConfirmed) {
    PdfDesktop desktop;
    TempDir dir;
    desktop.pdfPath = pathIn(dir, "keys.pdf");
    test::writeFile(dir.path() / "FLY.KEY", keyFile());
    TformKey window;
    window.Openkey(pathIn(dir, "FLY.KEY"));
    auto* print = window.findChild<QToolButton*>("tbPrint");

    print->click();  // cancelled
    EXPECT_FALSE(QFileInfo::exists(desktop.pdfPath));
    desktop.printAccepted = true;
    print->click();
    EXPECT_EQ(desktop.printedJobs, (std::vector<QString>{"Key code", "Key code"}));
    const std::string pdf = test::readFile(desktop.pdfPath.toStdString());
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_GT(pdf.size(), 1000u);
}

TEST(DbfWindow, ShowsFieldsAndRecordsAndKeepsEditsInMemory) {
    test::ScriptedDesktop desktop;
    TempDir dir;
    test::DbfLayout layout;
    layout.fields = {{"ICAO", 3}, {"NOM_LONGUE", 5}};
    layout.records = {"ABCDEFGH", "LFPG\xC9t\xE9"};
    const std::string bytes = test::buildDbf(layout);
    test::writeFile(dir.path() / "AEROPORT.DBF", bytes);

    TformDBF window;
    window.Read(pathIn(dir, "AEROPORT.DBF"));
    QAbstractItemModel& model = *window.grid()->model();
    ASSERT_EQ(model.columnCount(), 2);
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "NOM_LONGUE");
    EXPECT_EQ(model.index(0, 0).data().toString(), "ABC");
    EXPECT_EQ(model.index(0, 1).data().toString(), "DEFGH");
    EXPECT_EQ(model.index(1, 1).data().toString(), "GÉté ");
    activate(window);
    EXPECT_EQ(window.grid()->columnWidth(1), 100);
    EXPECT_EQ(window.grid()->rowHeight(1), 21);
    EXPECT_FALSE(window.grid()->verticalHeader()->isVisible());

    // An edit made through the grid's editor changes the cell, never the file.
    window.grid()->setCurrentIndex(model.index(0, 1));
    window.grid()->edit(model.index(0, 1));
    auto* editor = window.grid()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClick(editor, Qt::Key_End);
    QTest::keyClicks(editor, "XY");
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();  // the editor commits through a queued call
    EXPECT_EQ(model.index(0, 1).data().toString(), "DEFGHXY");
    EXPECT_EQ(test::readFile(dir.path() / "AEROPORT.DBF"), bytes);
    window.Read(pathIn(dir, "AEROPORT.DBF"));
    EXPECT_EQ(model.index(0, 1).data().toString(), "DEFGH");

    EXPECT_THROW(window.Read(pathIn(dir, "NONE.DBF")), std::runtime_error);
    EXPECT_EQ(model.rowCount(), 2);
}

TEST(DbfWindow, RowCountsBeyondTheFileDoNotExhaustTheGrid) {
    test::ScriptedDesktop desktop;
    TempDir dir;
    test::DbfLayout layout;
    layout.fields = {{"A", 2}};
    layout.records = {"ab", "cd"};
    layout.recordCount = 4;
    std::string bytes = test::buildDbf(layout);
    test::writeFile(dir.path() / "SHORT.DBF", bytes);
    layout.recordCount = 2147483647;
    test::writeFile(dir.path() / "HUGE.DBF", test::buildDbf(layout));

    TformDBF window;
    window.Read(pathIn(dir, "SHORT.DBF"));
    QAbstractItemModel& model = *window.grid()->model();
    EXPECT_EQ(model.rowCount(), 4);  // the rows missing from the file are empty
    EXPECT_EQ(model.index(3, 0).data().toString(), "");
    window.Read(pathIn(dir, "HUGE.DBF"));
    activate(window);
    EXPECT_LE(model.rowCount(), static_cast<int>(QFileInfo(pathIn(dir, "HUGE.DBF")).size()));
    EXPECT_EQ(model.index(1, 0).data().toString(), "cd");
}

}  // namespace
}  // namespace kelvane
