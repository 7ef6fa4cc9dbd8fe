#include <QApplication>
#include <QCheckBox>
#include <QTableWidget>
#include <QTextDocument>

#include "tests/browser/main_window_fixture.h"

namespace kelvane::test {
namespace {

namespace fs = std::filesystem;
using Kind = DesktopServices::MessageKind;

// Runs with an empty current directory, so that only the table beside the program counts.
class ExtensionTabTest : public MainWindowTest {
  protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        previous_ = fs::current_path();
        fs::current_path(current.path());
    }
    void TearDown() override {
        form.reset();
        fs::current_path(previous_);
        MainWindowTest::TearDown();
    }

    fs::path tablePath() const { return dir.path() / "TypeFichier.csv"; }
    void activate() {
        QEvent event(QEvent::WindowActivate);
        QApplication::sendEvent(&window(), &event);
    }
    QTableWidget* table() { return window().findChild<QTableWidget*>("Extension"); }
    QString header(int column) {
        return table()->horizontalHeaderItem(column) ? table()->horizontalHeaderItem(column)->text()
                                                     : QString();
    }
    QString tableCell(int row, int column) {
        return table()->item(row, column) ? table()->item(row, column)->text() : QString();
    }
    std::size_t buttonlessCount() const {
        std::size_t count = 0;
        for (const auto& message : desktop.messages) count += message.buttonless;
        return count;
    }

    TempDir current;

  private:
    fs::path previous_;
};

TEST_F(ExtensionTabTest, TableIsShownAndReloadedAtEachActivation) {
    writeFile(tablePath(),
              "Ext.;Visionneuse;Description\r\n"
              "BGR;Objet;\"Objet 3D; \"\"binaire\"\"\"\r\n"
              "WAV;Son;Fichier son \xE9t\xE9;en plus;et encore\r\n"
              "<b>;a&b;<i>x</i>\r\n");
    activate();
    QTableWidget* extensions = table();
    ASSERT_NE(extensions, nullptr);
    EXPECT_EQ(extensions->parentWidget()->objectName(), "tsExt");
    EXPECT_EQ(header(0), "Ext.");
    EXPECT_EQ(header(2), "Description");
    ASSERT_EQ(extensions->rowCount(), 3);
    EXPECT_EQ(extensions->columnCount(), 5);  // never narrower than its five columns
    EXPECT_EQ(tableCell(0, 2), "Objet 3D; \"binaire\"");
    EXPECT_EQ(tableCell(1, 2), "Fichier son été");
    EXPECT_EQ(tableCell(1, 4), "et encore");
    EXPECT_EQ(extensions->item(0, 0)->textAlignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(extensions->item(0, 2)->textAlignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);
    EXPECT_FALSE(extensions->item(0, 2)->flags() & Qt::ItemIsEditable);
    EXPECT_TRUE(extensions->wordWrap());
    // A cell's tip shows its whole text as it stands, never as markup.
    EXPECT_EQ(tableCell(2, 2), "<i>x</i>");
    for (int column : {0, 1, 2}) {
        QTextDocument tip;
        tip.setHtml(extensions->item(2, column)->toolTip());
        EXPECT_TRUE(Qt::mightBeRichText(extensions->item(2, column)->toolTip()));
        EXPECT_EQ(tip.toPlainText(), tableCell(2, column));
    }

    // A longer line widens the grid; a changed file is read again on the next activation.
    writeFile(tablePath(), "a;b;c;d;e;f\r\nx\r\n");
    activate();
    EXPECT_EQ(extensions->columnCount(), 6);
    EXPECT_EQ(header(5), "f");
    ASSERT_EQ(extensions->rowCount(), 1);
    EXPECT_EQ(tableCell(0, 0), "x");
    EXPECT_EQ(tableCell(0, 1), "");
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(ExtensionTabTest, MissingTableWarnsOnceUntilItWasReadableAgain) {
    activate();
    activate();  // closing the box activates the window again
    activate();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_TRUE(desktop.messages[0].buttonless);
    EXPECT_EQ(desktop.messages[0].kind, Kind::Warning);
    EXPECT_EQ(desktop.messages[0].text, "TypeFichier.csv absent de votre répertoire");

    // Found in the current directory when it is not beside the program.
    writeFile(current.path() / "TypeFichier.csv", "Ext.\r\nPOD\r\n");
    activate();
    EXPECT_EQ(tableCell(0, 0), "POD");
    fs::remove(current.path() / "TypeFichier.csv");
    activate();
    activate();
    EXPECT_EQ(buttonlessCount(), 2u);
    EXPECT_EQ(tableCell(0, 0), "POD");  // the grid keeps what it showed
}

TEST_F(ExtensionTabTest, MissingTableWarningInEnglish) {
    writeFile(iniPath(), "[init]\r\nlangage=english\r\n");
    activate();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "TypeFichier.csv absent from your directory");
}

const std::vector<StoredFile> kPictures = {{"ART\\pic.bmp", "BM-data", 0}, {"b.tga", "T", 0}};

class EditorsTest : public MainWindowTest {
  protected:
    void selectRow(int row) { grid()->setCurrentIndex(grid()->model()->index(row, 1)); }
    std::string work() const { return workDir.withSeparator(); }
    TempDir workDir;
};

TEST_F(EditorsTest, EntryIsCopiedOutAndHandedToTheProgram) {
    settings().workDirectory = work();
    settings().pspDirectory = "/opt/psp/";
    open(archive("a.POD", ArchiveLayout::POD, kPictures));
    selectRow(0);

    trigger("OuvriravecPaint1");
    trigger("OuvriravecPaintShopPro1");
    trigger("OuvriravecPhotoshop1");  // directory not set: the bare name
    window().findChild<QCheckBox*>("cbStruct")->setChecked(true);
    trigger("OuvriravecERViewer1");

    const QString flat = QString::fromStdString(work() + "pic.bmp");
    const QString nested = QString::fromStdString(work() + "ART/pic.bmp");
    ASSERT_EQ(desktop.programs.size(), 4u);
    EXPECT_EQ(desktop.programs[0].program, "xdg-open");
    EXPECT_EQ(desktop.programs[1].program, "/opt/psp/psp.exe");
    EXPECT_EQ(desktop.programs[2].program, "Photoshp.exe");
    EXPECT_EQ(desktop.programs[3].program, "ERViewer.exe");
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(desktop.programs[i].arguments, QStringList{flat});
        EXPECT_EQ(desktop.programs[i].workingDirectory, QString::fromStdString(work()));
        EXPECT_FALSE(desktop.programs[i].waited);
    }
    EXPECT_EQ(desktop.programs[3].arguments, QStringList{nested});
    // The copies stay for the editor.
    EXPECT_EQ(readFile(flat.toStdString()), "BM-data");
    EXPECT_EQ(readFile(nested.toStdString()), "BM-data");
    EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(EditorsTest, ProgramThatCannotStartIsReported) {
    settings().workDirectory = work();
    settings().pshopDirectory = "/nowhere/";
    open(archive("a.POD", ArchiveLayout::POD, kPictures));
    selectRow(1);
    desktop.programsStart = false;
    trigger("OuvriravecPhotoshop1");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].kind, Kind::Error);
    EXPECT_EQ(desktop.messages[0].text,
              "Impossible de lancer /nowhere/Photoshp.exe\r\nCannot start /nowhere/Photoshp.exe");
}

TEST_F(EditorsTest, RefusedForEpdArchivesAndWithoutWorkingDirectory) {
    settings().workDirectory = work();
    open(archive("a.EPD", ArchiveLayout::EPD, kPictures));
    selectRow(0);
    for (const char* action : {"OuvriravecPaint1", "OuvriravecPaintShopPro1",
                               "OuvriravecPhotoshop1", "OuvriravecERViewer1"}) {
        trigger(action);
    }
    ASSERT_EQ(desktop.messages.size(), 4u);
    for (const auto& message : desktop.messages) {
        EXPECT_EQ(message.kind, Kind::Warning);
        EXPECT_EQ(message.text, "Implementation en cours");
    }
    EXPECT_TRUE(desktop.programs.empty());
    EXPECT_TRUE(fs::is_empty(workDir.path()));

    // A POD with no working directory chosen yet: nothing is written anywhere.
    form.reset();
    desktop.messages.clear();
    settings().workDirectory.clear();
    open(archive("b.POD", ArchiveLayout::POD, kPictures));
    selectRow(0);
    trigger("OuvriravecPaint1");
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].kind, Kind::Error);
    EXPECT_TRUE(desktop.programs.empty());
}

}  // namespace
}  // namespace kelvane::test
