#include "browser/main_window_support.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "platform/desktop_services.h"
#include "settings/settings.h"

namespace kelvane {

bool isArchiveName(const QString& path) {
    const QString extension = QFileInfo(path).suffix().toUpper();
    return extension == QLatin1String("POD") || extension == QLatin1String("EPD");
}

QString directoryPickerTitle() {
    return settings().isEnglish() ? QStringLiteral("Select a directory")
                                  : QStringLiteral("Choisissez un répertoire");
}

void showError(QWidget* parent, const QString& text) {
    desktop().showMessage(parent, DesktopServices::MessageKind::Error,
                          QCoreApplication::applicationName(), text);
}

}  // namespace kelvane
