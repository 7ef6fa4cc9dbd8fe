#include <gtest/gtest.h>

#include <stdexcept>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QToolButton>
#include <QTranslator>
#include <QWindow>
#include <memory>

#include "platform/qt_desktop.h"
#include "platform/qt_translations.h"
#include "tests/support/scripted_desktop.h"
#include "tests/support/temp_dir.h"

namespace kelvane {
namespace {

TEST(QtFileFilter, PipeFormBecomesQtForm) {
    EXPECT_EQ(qtFileFilter("Fichiers Fly! POD/EPD|*.POD;*.EPD|Tous fichiers|*.*"),
              "Fichiers Fly! POD/EPD (*.POD *.EPD *.pod *.epd);;Tous fichiers (*)");
    EXPECT_EQ(qtFileFilter("Tous fichiers|*.*|"), "Tous fichiers (*)");
}

TEST(QtDesktopBoxes, ShowTheirTextAsItStands) {
    const QString text = QStringLiteral("<b>x.pod & a&b<i>.txt\r\nline 2");
    const QString shown = QStringLiteral("<b>x.pod & a&b<i>.txt\nline 2");
    const auto box =
        messageBox(nullptr, QMessageBox::Information, "Kelvane", text, QMessageBox::Ok);
    EXPECT_EQ(box->textFormat(), Qt::PlainText);
    EXPECT_EQ(box->text(), shown);
    EXPECT_EQ(box->windowTitle(), "Kelvane");

    const auto buttonless =
        buttonlessBox(nullptr, DesktopServices::MessageKind::Error, "Kelvane", text);
    const auto* label = buttonless->findChild<QLabel*>("MessageText");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text(), shown);
    EXPECT_TRUE(buttonless->findChildren<QAbstractButton*>().isEmpty());
}

TEST(LiteralTitle, KeepsQtsModifiedMarkerAsText) {
    QWidget window;
    window.winId();  // the native window holds the title Qt really shows
    for (const QString& title :
         {QStringLiteral("Kelvane - /a[*].pod"), QStringLiteral("<b>&[*][*]")}) {
        setLiteralTitle(&window, title);
        EXPECT_EQ(window.windowHandle()->title(), title);
    }
}

TEST(QtDesktopDirectoryPicker, OnlyTheRefusingOneOffersNoNewFolder) {
    test::TempDir dir;
    const QString start = QString::fromStdString(dir.path().string());
    for (const auto newFolders :
         {DesktopServices::NewFolders::Refused, DesktopServices::NewFolders::Offered}) {
        const bool refused = newFolders == DesktopServices::NewFolders::Refused;
        const auto picker = directoryDialog(nullptr, "Choisissez un répertoire", start, newFolders);
        EXPECT_EQ(picker->fileMode(), QFileDialog::Directory);
        EXPECT_TRUE(picker->testOption(QFileDialog::ShowDirsOnly));
        picker->show();
        QCoreApplication::processEvents();
        const auto* newFolder = picker->findChild<QToolButton*>("newFolderButton");
        ASSERT_NE(newFolder, nullptr);
        EXPECT_EQ(newFolder->isEnabled(), !refused) << refused;
        picker->reject();
    }
}

// Qt's own buttons and dialogs speak French unless the interface is English.
TEST(QtTranslations, FrenchUnlessEnglish) {
    EXPECT_EQ(installQtTranslations(true), nullptr);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Yes");
    std::unique_ptr<QTranslator> french(installQtTranslations(false));
    ASSERT_NE(french, nullptr) << "qtbase_fr.qm missing: install qt6-translations-l10n";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Oui");
    const auto box = messageBox(nullptr, QMessageBox::Question, "Kelvane", "?",
                                QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box->button(QMessageBox::Yes)->text(), "&Oui");
    EXPECT_EQ(box->button(QMessageBox::No)->text(), "&Non");
    french.reset();  // a translator leaves the application when it is destroyed
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), "&Yes");
}

TEST(Guarded, AnyExceptionBecomesAnErrorBoxAndStopsTheCommand) {
    test::ScriptedDesktop scripted;
    bool after = false;
    guarded(nullptr, [&] {
        throw std::runtime_error("Cannot create file /x/é");
        after = true;
    });
    guarded(nullptr, [] { throw 42; });
    guarded(nullptr, [] {});
    ASSERT_EQ(scripted.messages.size(), 2u);
    EXPECT_FALSE(after);
    EXPECT_EQ(scripted.messages[0].kind, DesktopServices::MessageKind::Error);
    EXPECT_EQ(scripted.messages[0].caption, "Kelvane");
    EXPECT_EQ(scripted.messages[0].text, "Cannot create file /x/é");
    EXPECT_FALSE(scripted.messages[1].text.isEmpty());
}

}  // namespace
}  // namespace kelvane
