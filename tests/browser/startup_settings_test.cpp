#include <QCheckBox>
#include <QTabWidget>

#include "settings/ini_file.h"
#include "tests/browser/main_window_fixture.h"

namespace kelvane::test {
namespace {

QString toolText(Tform_main& window, const char* name) {
    return window.findChild<QToolButton*>(name)->text();
}

TEST_F(MainWindowTest, NoSettingsFileStartsInFrenchWithEmptyDirectories) {
    EXPECT_EQ(toolText(window(), "btnOpenPOD"), "Ouvrir");
    EXPECT_FALSE(settings().isEnglish());
    EXPECT_EQ(settings().flyDirectory + settings().workDirectory, "");
    EXPECT_FALSE(std::filesystem::exists(iniPath()));
}

TEST_F(MainWindowTest, SettingsFileWithoutLanguageStartsInEnglish) {
    writeFile(iniPath(), "[fly]\r\nflydir=/fly/\r\n[work]\r\nworkdir=/work/\r\n");
    Tform_main& w = window();
    EXPECT_EQ(w.windowTitle(), "Kel!vane v1.0 - EPD/POD Viewer for Fly! 1 & 2");
    EXPECT_EQ(toolText(w, "btnOpenPOD"), "Open POD/EPD");
    EXPECT_EQ(toolText(w, "btnExtractFile"), "Extract file from POD/EPD");
    EXPECT_EQ(toolText(w, "btnOpenFile"), "View file");
    EXPECT_EQ(w.findChild<QAction*>("Voir1")->text(), "View");
    EXPECT_EQ(w.findChild<QAction*>("Repertoire")->text(), "Directories");
    EXPECT_EQ(w.findChild<QAction*>("ExtraireunfichierdunPODEPD1")->text(),
              "Extract file(s) from POD/EPD");
    EXPECT_EQ(w.findChild<QAction*>("Langage")->text(), "English");  // left as it was
    EXPECT_EQ(w.findChild<QCheckBox*>("cbStruct")->text(), "Create directory structure");
    auto* pages = w.findChild<QTabWidget*>("PageControl1");
    EXPECT_EQ(pages->tabText(0), "POD/EPD files");
    EXPECT_EQ(pages->tabText(1), "Known extensions");
    QStringList headers;
    for (int c = 0; c < 6; ++c)
        headers << grid()->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers, (QStringList{"sel", "File name", "Directory", "Size", "Date", "n°"}));
    EXPECT_EQ(w.findChild<QToolButton*>("btnOpenPOD")->toolTip(), "Ouvre un fichier POD/EPD");

    // The directories read at start reach the dialogs.
    EXPECT_EQ(settings().workDirectory, "/work/");
    open(archive("a.POD", ArchiveLayout::POD, {{"x", "12", 0}}));
    EXPECT_EQ(desktop.openFileRequests.back().initialDirectory, "/fly/");
    EXPECT_EQ(status(), "a.POD - 1 files for 2 bytes");
}

TEST_F(MainWindowTest, OnlyTheExactLowerCaseValueMeansEnglish) {
    writeFile(iniPath(), "[init]\r\nlangage=English\r\n");
    EXPECT_EQ(toolText(window(), "btnOpenPOD"), "Ouvrir");
    form.reset();
    writeFile(iniPath(),
              "[init]\r\nlangage=fran\xE7"
              "ais\r\n");
    EXPECT_EQ(toolText(window(), "btnOpenPOD"), "Ouvrir");
    EXPECT_EQ(settings().language, "français");
    EXPECT_EQ(settings().flyDirectory + settings().workDirectory + settings().rawDirectory, "");
}

TEST_F(MainWindowTest, LanguageItemAlternatesTheStoredValue) {
    writeFile(iniPath(), "[init]\r\nlangage=english\r\n[fly]\r\nflydir=/f/\r\n");
    QAction* langage = window().findChild<QAction*>("Langage");
    langage->trigger();
    EXPECT_EQ(langage->text(), "Français");
    EXPECT_EQ(IniFile(iniPath()).readString("init", "langage", ""), "english");
    langage->trigger();
    EXPECT_EQ(langage->text(), "English");
    EXPECT_EQ(IniFile(iniPath()).readString("init", "langage", ""), "français");
    EXPECT_EQ(readFile(iniPath()),
              "[init]\r\nlangage=fran\xE7"
              "ais\r\n[fly]\r\nflydir=/f/\r\n");

    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[0].kind, DesktopServices::MessageKind::Warning);
    EXPECT_EQ(desktop.messages[0].text,
              "Vous devez redémarrer ce programme pour la prise en compte de la \r\nlangue.\r\n"
              "You have to restart this program to change the language.");
    // The running interface does not change.
    EXPECT_TRUE(settings().isEnglish());
    EXPECT_EQ(toolText(window(), "btnOpenPOD"), "Open POD/EPD");
}

TEST_F(MainWindowTest, LanguageItemCreatesTheSettingsFileWhenStartedWithout) {
    QAction* langage = window().findChild<QAction*>("Langage");
    langage->trigger();
    EXPECT_EQ(langage->text(), "Français");
    EXPECT_EQ(readFile(iniPath()), "[init]\r\nlangage=english\r\n");
    langage->trigger();
    langage->trigger();
    EXPECT_EQ(readFile(iniPath()), "[init]\r\nlangage=english\r\n");
    EXPECT_EQ(desktop.messages.size(), 3u);
    EXPECT_FALSE(settings().isEnglish());
    EXPECT_EQ(toolText(window(), "btnOpenPOD"), "Ouvrir");
}

TEST_F(MainWindowTest, UnwritableSettingsFileIsReportedWithoutTheRestartMessage) {
    // The program's directory has gone: the file cannot be created.
    form = std::make_unique<Tform_main>((dir.path() / "gone" / "Kelvane.ini").string());
    form->findChild<QAction*>("Langage")->trigger();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].kind, DesktopServices::MessageKind::Error);
    EXPECT_TRUE(desktop.messages[0].text.startsWith("Cannot create file"));
}

}  // namespace
}  // namespace kelvane::test
