#include <QApplication>

#include "browser/Kelvane_main.h"
#include "platform/qt_desktop.h"
#include "settings/Kelvane_init.h"

// Creates the windows in their fixed order and runs the event loop. An archive named on the
// command line is opened at once, as from the open dialog.
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kelvane"));
    kelvane::QtDesktop desktopServices;
    kelvane::setDesktop(&desktopServices);

    const std::string iniPath =
        (QCoreApplication::applicationDirPath() + "/Kelvane.ini").toStdString();
    kelvane::Tform_main formMain(iniPath);
    kelvane::TForm_init formInit(iniPath, &formMain);
    formMain.setDirectoriesDialog(&formInit);
    formMain.show();

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1) formMain.openArchiveCommand(arguments.at(1));
    return QApplication::exec();
}
