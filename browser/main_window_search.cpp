// The main window's side of the search in archives: showing the search window and opening
// the archive of a result with its entry in view.
#include <QLineEdit>
#include <QTableView>
#include <QTreeView>

#include "browser/Kelvane_main.h"
#include "browser/archive_search_window.h"
#include "browser/catalogue_model.h"
#include "browser/catalogue_proxy.h"
#include "browser/folder_tree_model.h"

namespace kelvane {

void Tform_main::RechercherdanslesarchivesClick() {
    auto* window = findChild<ArchiveSearchWindow*>();
    if (window == nullptr) {
        window = new ArchiveSearchWindow(this);
        connect(window, &ArchiveSearchWindow::entryChosen, this, &Tform_main::openArchiveAtEntry);
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void Tform_main::openArchiveAtEntry(const QString& path, int index) {
    if (podPath_ != path || !archiveRead()) openArchiveCommand(path);
    if (podPath_ != path || !archiveRead() || index >= model_->rowCount()) return;
    // Rows are in directory order; a sort moves the entry, the filter or the folder tree may
    // hide it, and then they show the whole archive again.
    QModelIndex shown = proxy_->mapFromSource(model_->index(index, kColName));
    if (!shown.isValid()) {
        edFilter_->clear();
        tvFolders_->setCurrentIndex(folderModel_->index(0, 0));
        shown = proxy_->mapFromSource(model_->index(index, kColName));
    }
    if (!shown.isValid()) return;
    sgPodview_->setCurrentIndex(shown);
    sgPodview_->scrollTo(shown, QAbstractItemView::PositionAtCenter);
    sgPodview_->setFocus(Qt::OtherFocusReason);
    raise();
    activateWindow();
}

}  // namespace kelvane
