#include <QApplication>

#include "browser/Kelvane_main.h"
#include "imaging/tiff.h"
#include "platform/qt_desktop.h"
#include "platform/qt_translations.h"
#include "settings/Kelvane_init.h"
#include "settings/settings.h"
#include "settings/settings_location.h"
#include "viewers/viewer_windows.h"

// Creates the windows in their fixed order and runs the event loop. An archive named on the
// command line is opened at once, as from the open dialog.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    kelvane::QtDesktop desktopServices;
    kelvane::setDesktop(&desktopServices);
    kelvane::TTIFFGraphic::SetWarningHandler([](const std::string& text) {
        kelvane::desktop().showMessage(nullptr, kelvane::DesktopServices::MessageKind::Warning,
                                       QStringLiteral("Warning"), QString::fromStdString(text));
    });

    const std::string programDirectory = QCoreApplication::applicationDirPath().toStdString();
    const std::string iniPath =
        kelvane::settingsFilePath(programDirectory, kelvane::userConfigHome());
    kelvane::Tform_main formMain(iniPath, programDirectory);
    // The main window has read the language.
    kelvane::installQtTranslations(kelvane::settings().isEnglish());
    const kelvane::ViewerWindowSet viewers(&formMain);
    formMain.setViewerWindows(viewers.windows());
    kelvane::TForm_init formInit(iniPath, &formMain);
    formMain.setDirectoriesDialog(&formInit);
    formMain.show();

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1) formMain.openArchiveCommand(arguments.at(1));
    return QApplication::exec();
}
