#include "viewers/png_saving.h"

#include <QDir>
#include <QFileInfo>

#include "imaging/picture_writer.h"
#include "platform/desktop_services.h"
#include "settings/settings.h"

namespace kelvane {
namespace {

const QString kPngFilter = QStringLiteral("Images PNG|*.png");

// The folder of the last picture saved in this run; empty before the first.
QString& lastFolder() {
    static QString folder;
    return folder;
}

}  // namespace

void savePictureAsPng(QWidget* parent, const Bitmap& picture, const QString& fileName) {
    const QString folder =
        !lastFolder().isEmpty() ? lastFolder() : QString::fromStdString(settings().workDirectory);
    const QString proposed =
        QDir(folder).filePath(QFileInfo(fileName).completeBaseName() + QStringLiteral(".png"));
    QString path = desktop().saveFileName(parent, kPngFilter, proposed);
    if (path.isEmpty()) return;
    if (!path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive)) path += QStringLiteral(".png");
    writeImageFile(picture, path.toStdString());
    lastFolder() = QFileInfo(path).absolutePath();
}

}  // namespace kelvane
