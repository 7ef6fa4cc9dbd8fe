// The listing's "Replace texture...": a picture chosen, made a texture and written over the
// texture pair of the row right-clicked, in one rewrite of the archive.
#include <QAction>
#include <QMenu>
#include <QTableView>

#include "archive/archive_editing.h"
#include "archive/archive_soundness.h"
#include "archive/texture_replacement.h"
#include "browser/Kelvane_main.h"
#include "browser/catalogue_model.h"
#include "browser/catalogue_proxy.h"
#include "browser/listing_columns.h"
#include "imaging/ImageFormats.h"
#include "imaging/texture_maker.h"
#include "platform/bilingual_error.h"
#include "platform/desktop_services.h"
#include "settings/settings.h"
#include "viewers/dispatch_rules.h"

namespace kelvane {
namespace {

const QString kPictureFilter =
    QStringLiteral("Images|*.BMP;*.JPG;*.JPEG;*.TGA;*.TIF;*.TIFF;*.PNG|Tous fichiers|*.*");

// The window offers no resize: a picture that is not square is refused with its size.
void requireSquare(const Bitmap& picture) {
    if (picture.width() == picture.height()) return;
    const std::string size =
        std::to_string(picture.width()) + " x " + std::to_string(picture.height());
    throw BilingualError(
        "L'image de " + size +
            " n'est pas carrée : une texture l'est toujours. Choisissez une "
            "image carrée.",
        "The picture of " + size + " is not square: a texture always is. Choose a square picture.");
}

}  // namespace

void Tform_main::addTextureReplacement(QMenu& menu) {
    QAction* action = menu.addAction(QString(), this, [this] { replaceTextureClick(); });
    action->setObjectName(QStringLiteral("Remplacerlatexture1"));
    // Offered on a texture half only, and where Ajouter is.
    connect(&menu, &QMenu::aboutToShow, this, [this, action] {
        const CatalogueEntry* entry = currentEntry();
        action->setText(settings().isEnglish() ? QStringLiteral("Replace texture...")
                                               : QStringLiteral("Remplacer la texture..."));
        action->setVisible(entry != nullptr && isTexture(viewerGroup(entry->name)));
        action->setEnabled(writableArchiveRead() && !busy_);
    });
}

void Tform_main::replaceTextureClick() {
    guarded(this, [this] {
        const CatalogueEntry* entry = currentEntry();
        if (entry == nullptr || !writableArchiveRead() || busy_) return;
        // Refused before a picture is chosen for nothing.
        requireSoundReading(*pod_);
        const std::string name = entry->name;
        texturePairNames(*pod_, name);
        const QString path = desktop().openFileName(
            this, kPictureFilter, QString::fromStdString(settings().workDirectory));
        if (path.isEmpty()) return;
        const std::unique_ptr<Graphic> picture = LoadPicture(path.toStdString());
        requireSquare(*picture);
        const Texture texture = makeTexture(*picture);
        writeAndList(planTextureReplacement(*pod_, name, texture, currentAuditStamp()),
                     podPath_.toStdString(), {});
        selectEntryNamed(name);
    });
}

void Tform_main::selectEntryNamed(const std::string& name) {
    if (!archiveRead()) return;
    for (int row = 0; row < model_->rowCount(); ++row) {
        if (model_->entry(row).name != name) continue;
        const QModelIndex shown = proxy_->mapFromSource(model_->index(row, kColName));
        if (shown.isValid()) sgPodview_->setCurrentIndex(shown);
        return;
    }
}

}  // namespace kelvane
