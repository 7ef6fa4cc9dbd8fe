#include <QLineEdit>
#include <QPushButton>

#include "settings/Kelvane_init.h"
#include "tests/browser/main_window_fixture.h"

namespace kelvane::test {
namespace {

class DirectoriesDialogTest : public MainWindowTest {
  protected:
    // Opens the dialog from the menu and runs `script` while it is shown.
    void openDialog(const std::function<void(QDialog&)>& script) {
        if (!dialog) {
            dialog = std::make_unique<TForm_init>(iniPath(), &window());
            window().setDirectoriesDialog(dialog.get());
        }
        desktop.onModal = script;
        trigger("Repertoire");
    }
    static QString text(QDialog& d, const char* edit) {
        return d.findChild<QLineEdit*>(edit)->text();
    }
    std::unique_ptr<TForm_init> dialog;
};

TEST_F(DirectoriesDialogTest, ActivationReadsAllSevenKeysIntoMemory) {
    writeFile(iniPath(),
              "[init]\r\nlangage=fran\xE7"
              "ais\r\n[ecw]\r\necwdir=/ecw/\r\n[paint]\r\npaintdir=/p\xE9/\r\n"
              "[work]\r\nworkdir=/w/\r\n");
    window();
    EXPECT_EQ(settings().ecwDirectory, "");  // not read at start
    settings().rawDirectory = "/raw-in-memory/";
    QStringList shown;
    openDialog([&](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Initialisation répertoire");
        for (const char* edit :
             {"edFly", "edRaw", "edPSP", "edPshop", "edWork", "edEcw", "edPaint"}) {
            shown << text(d, edit);
        }
        d.findChild<QPushButton*>("btnCancel")->click();
    });
    EXPECT_EQ(shown, (QStringList{"", "/raw-in-memory/", "", "", "/w/", "/ecw/", "/pé/"}));
    EXPECT_EQ(settings().ecwDirectory, "/ecw/");
    EXPECT_EQ(settings().paintDirectory, "/pé/");
}

TEST_F(DirectoriesDialogTest, BrowseSaveAndCancel) {
    writeFile(iniPath(), "[init]\r\nlangage=fr\r\n[work]\r\nworkdir=/old/\r\n");
    window();
    desktop.directoryAnswers = {"/chosen/fly", "", "/already/"};
    int result = -1;
    openDialog([&](QDialog& d) {
        d.findChild<QPushButton*>("btnFly")->click();
        d.findChild<QPushButton*>("btnRaw")->click();  // cancelled: unchanged
        d.findChild<QPushButton*>("Button1")->click();
        d.findChild<QLineEdit*>("edPaint")->setText("/typed");
        d.findChild<QPushButton*>("bntSave")->click();
        result = d.result();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(desktop.directoryRequests[0].titleOrFilter, "Choisissez un répertoire");
    EXPECT_EQ(desktop.directoryRequests[0].newFolders, DesktopServices::NewFolders::Offered);
    EXPECT_EQ(readFile(iniPath()),
              "[init]\r\nlangage=fr\r\n[work]\r\nworkdir=/already/\r\n[fly]\r\nflydir=/chosen/fly/"
              "\r\n[psp]\r\npspdir=\r\n"
              "[pshop]\r\npshopdir=\r\n[raw]\r\nrawdir=\r\n[ecw]\r\necwdir=\r\n"
              "[paint]\r\npaintdir=/typed\r\n");
    // Memory keeps the old working directory until the dialog is shown again.
    EXPECT_EQ(settings().workDirectory, "/old/");

    openDialog([&](QDialog& d) {
        EXPECT_EQ(text(d, "edWork"), "/already/");
        d.findChild<QLineEdit*>("edWork")->setText("/discarded/");
        d.findChild<QPushButton*>("btnCancel")->click();
    });
    EXPECT_EQ(settings().workDirectory, "/already/");
    EXPECT_NE(readFile(iniPath()).find("workdir=/already/"), std::string::npos);
}

TEST_F(DirectoriesDialogTest, PickerTitleInEnglish) {
    writeFile(iniPath(), "[init]\r\nlangage=english\r\n");
    window();
    desktop.directoryAnswers = {""};
    openDialog([](QDialog& d) { d.findChild<QPushButton*>("btnPSP")->click(); });
    EXPECT_EQ(desktop.directoryRequests.at(0).titleOrFilter, "Select a directory");
}

}  // namespace
}  // namespace kelvane::test
