#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMediaPlayer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/desktop_services.h"
#include "settings/settings.h"
#include "tests/support/image_builders.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"
#include "viewers/FichierTXT.h"
#include "viewers/FichierWav.h"
#include "viewers/MemoSearch.h"

namespace kelvane {
namespace {

using test::ScriptedDesktop;
using test::TempDir;

struct LanguageScope {
    explicit LanguageScope(const char* language) { settings().language = language; }
    ~LanguageScope() { settings().language.clear(); }
};

void activate(QWidget& window) {
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
}

TEST(TextWindow, LoadsLinesAndKeepsTheFindDialogOpen) {
    ScriptedDesktop desktop;
    TempDir dir;
    const auto path = dir.path() / "readme.txt";
    const QString file = QString::fromStdString(path.string());
    TformTXT window;
    test::writeFile(path, "");
    window.loadFile(file);
    EXPECT_EQ(window.memo()->toPlainText(), "");
    EXPECT_THROW(window.loadFile(QString::fromStdString((dir.path() / "none.txt").string())),
                 std::runtime_error);

    test::writeFile(path,
                    "Fran\xE7"
                    "ais\r\nligne 2\rfin\n\n");
    window.loadFile(file);
    EXPECT_EQ(window.windowTitle(), file);
    EXPECT_EQ(window.memo()->toPlainText(), "Français\nligne 2\nfin\n");

    activate(window);
    EXPECT_EQ(window.size(), QSize(600, 400));
    EXPECT_TRUE(window.memo()->hasFocus());
    EXPECT_EQ(window.findChild<QPushButton*>("btnQuit")->text(), "Quitter");
    EXPECT_EQ(window.findChild<QLabel*>("Label1")->text(), "CTRL-F pour effectuer une recherche");

    // The viewers keep the dialog open after a search.
    QTest::keyClick(window.memo(), Qt::Key_F, Qt::ControlModifier);
    QCoreApplication::processEvents();
    FindDialog* dialog = window.memoSearch()->dialog();
    ASSERT_NE(dialog, nullptr);
    dialog->setFindText("ligne");
    dialog->findChild<QPushButton*>("FindNext")->click();
    EXPECT_EQ(window.memo()->textCursor().selectedText(), "ligne");
    EXPECT_TRUE(dialog->isVisible());
    window.findChild<QPushButton*>("btnQuit")->click();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_FALSE(window.isVisible());
}

TEST(TextWindow, EnglishCaptionsOnActivation) {
    ScriptedDesktop desktop;
    {
        LanguageScope english("english");
        TformTXT window;
        activate(window);
        EXPECT_EQ(window.findChild<QPushButton*>("btnQuit")->text(), "Quit");
        EXPECT_EQ(window.findChild<QLabel*>("Label1")->text(), "CTRL-F to search word");
    }
    LanguageScope capitalised("English");  // only the exact "english" counts
    TformTXT window;
    activate(window);
    EXPECT_EQ(window.findChild<QPushButton*>("btnQuit")->text(), "Quitter");
}

TEST(SoundWindow, OpensOnShowAndClosesTheDeviceOnAnyExit) {
    ScriptedDesktop desktop;
    TempDir dir;
    const auto path = dir.path() / "tone.wav";
    test::writeFile(path, test::toneWav(4000, 12000));
    TformWAV window;
    EXPECT_EQ(window.windowTitle(), "Fichier Son");
    EXPECT_EQ(window.size(), QSize(264, 65));
    auto* player = window.findChild<QWidget*>("MediaPlayer");
    ASSERT_NE(player, nullptr);

    const QString file = QString::fromStdString(path.string());
    window.setMediaFile(file);
    EXPECT_EQ(window.windowTitle(), file);
    EXPECT_TRUE(window.player()->source().isEmpty());  // opened on showing only
    window.show();
    EXPECT_EQ(window.player()->source(), QUrl::fromLocalFile(file));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window.player()->mediaStatus() == QMediaPlayer::LoadedMedia; }, 5000));
    EXPECT_EQ(window.player()->duration(), 500);
    player->findChild<QToolButton*>("Play")->click();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window.player()->playbackState() == QMediaPlayer::PlayingState; }, 2000));
    EXPECT_TRUE(desktop.messages.empty()) << desktop.messages.front().text.toStdString();
    // Escape while playing closes the window and the device, like Quit.
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(window.player()->source().isEmpty());
    EXPECT_EQ(window.player()->playbackState(), QMediaPlayer::StoppedState);

    window.show();
    window.findChild<QPushButton*>("btnQuit")->click();
    EXPECT_EQ(window.result(), QDialog::Accepted);
    EXPECT_TRUE(window.player()->source().isEmpty());
}

TEST(SoundWindow, FilesThatCannotBeOpenedReachTheErrorDisplay) {
    ScriptedDesktop desktop;
    TempDir dir;
    TformWAV window;
    window.setMediaFile(QString::fromStdString((dir.path() / "missing.wav").string()));
    window.show();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].kind, DesktopServices::MessageKind::Error);
    EXPECT_TRUE(desktop.messages[0].text.contains("missing.wav"));
    window.hide();

    // A file that is no sound at all: the player's own error text is shown.
    const auto corrupt = dir.path() / "corrupt.wav";
    test::writeFile(corrupt, "RIFF\x10\0\0\0WAVEjunk and no sound here");
    window.setMediaFile(QString::fromStdString(corrupt.string()));
    QSignalSpy errors(window.player(), &QMediaPlayer::errorOccurred);
    window.show();
    ASSERT_TRUE(!errors.isEmpty() || errors.wait(5000));
    ASSERT_EQ(desktop.messages.size(), 2u);
    EXPECT_EQ(desktop.messages[1].kind, DesktopServices::MessageKind::Error);
    EXPECT_EQ(desktop.messages[1].text, window.player()->errorString());
    EXPECT_FALSE(desktop.messages[1].text.isEmpty());
}

}  // namespace
}  // namespace kelvane
