// The main window's commands that write archives (a new archive, files added, ticked entries
// deleted) and what a drop on the window does.
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QTableView>
#include <QUrl>

#include "archive/archive_editing.h"
#include "archive/archive_soundness.h"
#include "browser/Kelvane_main.h"
#include "browser/archive_editing_text.h"
#include "browser/archive_write_command.h"
#include "browser/main_window_support.h"
#include "platform/desktop_services.h"
#include "settings/settings.h"

namespace kelvane {
namespace {

const QString kNewArchiveFilter = QStringLiteral("Fichiers Fly! POD/EPD|*.POD;*.EPD");

QString packedFolderPickerTitle() {
    return settings().isEnglish() ? QStringLiteral("Select the folder to pack")
                                  : QStringLiteral("Choisissez le répertoire à archiver");
}

QString localFileOf(const QMimeData* mime) {
    if (mime == nullptr || !mime->hasUrls() || mime->urls().isEmpty()) return {};
    return mime->urls().first().toLocalFile();
}

QStringList localFilesOf(const QMimeData* mime) {
    QStringList paths;
    if (mime == nullptr || !mime->hasUrls()) return paths;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile()) paths << url.toLocalFile();
    }
    return paths;
}

}  // namespace

void Tform_main::NouvellearchiveClick() {
    guarded(this, [this] {
        if (busy_) return;
        const QString folder = desktop().existingDirectory(
            this, packedFolderPickerTitle(), QString::fromStdString(settings().workDirectory),
            DesktopServices::NewFolders::Refused);
        if (folder.isEmpty()) return;
        const QString path = desktop().saveFileName(
            this, kNewArchiveFilter, QString::fromStdString(settings().flyDirectory));
        if (path.isEmpty()) return;
        if (!isArchiveName(path)) {
            showError(this, QString::fromStdString(unknownExtensionMessage(
                                QDir::toNativeSeparators(path).toStdString())));
            return;
        }
        const std::string target = path.toStdString();
        const LayoutUnit& unit = layoutForNewArchive(target, {});
        const FilesToPack files = collectFiles(unit, {folder.toStdString()}, identityOf(target));
        writeAndList(planNewArchive(unit, files.files, {}), target, files.skipped);
    });
}

void Tform_main::AjouterdesfichiersClick() {
    guarded(this, [this] {
        if (!writableArchiveRead() || busy_) return;
        requireSoundReading(*pod_);  // before any file is chosen for nothing
        const QStringList paths = desktop().openFileNames(
            this, kAnyFileFilter, QString::fromStdString(settings().workDirectory));
        if (!paths.isEmpty()) addFiles(paths, false);
    });
}

void Tform_main::addFiles(const QStringList& paths, bool confirm) {
    std::vector<std::string> sources;
    for (const QString& path : paths) sources.push_back(path.toStdString());
    const std::string target = podPath_.toStdString();
    const FilesToPack files = collectFiles(pod_->layout(), sources, identityOf(target));
    if (files.files.empty()) {  // nothing to add: the archive is left as it is
        showSkippedFiles(this, files.skipped);
        return;
    }
    if (confirm && !desktop().askYesNo(
                       this, QCoreApplication::applicationName(),
                       QString::fromStdString(additionQuestion(
                           files.files.size(), QFileInfo(podPath_).fileName().toStdString())))) {
        return;
    }
    writeAndList(planAddition(*pod_, files.files, currentAuditStamp()), target, files.skipped);
}

void Tform_main::SupprimerlesentreescocheesClick() {
    guarded(this, [this] {
        if (!writableArchiveRead() || busy_) return;
        requireSoundReading(*pod_);
        const std::vector<int> indices = tickedEntriesInGridOrder();
        if (indices.empty()) return;
        const QString question = QString::fromStdString(
            deletionQuestion(indices.size(), QFileInfo(podPath_).fileName().toStdString()));
        if (!desktop().askYesNo(this, QCoreApplication::applicationName(), question)) return;
        writeAndList(planDeletion(*pod_, indices, currentAuditStamp()), podPath_.toStdString(), {});
    });
}

void Tform_main::writeAndList(const ArchivePlan& plan, const std::string& path,
                              const std::vector<SkippedFile>& skipped) {
    {
        // The progress box lets events through: nothing may replace the archive meanwhile,
        // and the listed reader, which the plan copies kept entries from, stays until the new
        // file has replaced the old one.
        const QScopedValueRollback<bool> busy(busy_, true);
        if (!writeArchiveCommand(this, plan, path)) return;
    }
    showSkippedFiles(this, skipped);
    openArchive(QString::fromStdString(path));
}

Tform_main::DropUse Tform_main::dropUse(const QDropEvent& event) const {
    // Entries dragged out of the listing and back onto the window are not added again.
    if (busy_ || event.source() == sgPodview_) return DropUse::None;
    const QPoint at = event.position().toPoint();
    const QMimeData* mime = event.mimeData();
    // Files dropped on the listing of an archive that can be written are added to it;
    // elsewhere, or on an archive that is only read, a dropped archive is opened.
    const QWidget* listing = sgPodview_->viewport();
    if (writableArchiveRead() && listing->isVisible() &&
        listing->rect().contains(listing->mapFrom(this, at)) && !localFilesOf(mime).isEmpty()) {
        return DropUse::AddFiles;
    }
    return isArchiveName(localFileOf(mime)) ? DropUse::OpenArchive : DropUse::None;
}

void Tform_main::dragEnterEvent(QDragEnterEvent* event) {
    if (dropUse(*event) != DropUse::None) event->acceptProposedAction();
}

void Tform_main::dragMoveEvent(QDragMoveEvent* event) {
    // Whether the drop adds or opens changes as the pointer crosses the listing.
    if (dropUse(*event) != DropUse::None) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void Tform_main::dropEvent(QDropEvent* event) {
    const QMimeData* mime = event->mimeData();
    switch (dropUse(*event)) {
        case DropUse::None:
            return;
        case DropUse::OpenArchive:
            event->acceptProposedAction();
            openArchiveCommand(localFileOf(mime));
            return;
        case DropUse::AddFiles:
            event->acceptProposedAction();
            guarded(this, [&] {
                requireSoundReading(*pod_);  // refused before any question
                addFiles(localFilesOf(mime), true);
            });
            return;
    }
}

}  // namespace kelvane
