// The main window's browsing aids around the listing: the filter box, the folder tree, the
// keys of the listing, dragging entries out, the recent archives and the layout kept
// between runs.
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "browser/Kelvane_main.h"
#include "browser/catalogue_model.h"
#include "browser/catalogue_proxy.h"
#include "browser/entry_drag.h"
#include "browser/folder_tree_model.h"
#include "browser/listing_columns.h"
#include "browser/listing_text.h"
#include "browser/main_window_support.h"
#include "browser/pane_splitter.h"
#include "platform/desktop_services.h"
#include "preview/preview_pane.h"
#include "settings/settings.h"
#include "settings/window_settings.h"

namespace kelvane {
namespace {

constexpr int kTreeWidth = 180;
constexpr int kPreviewWidth = 320;

}  // namespace

QWidget* Tform_main::buildBrowsing(QWidget* page) {
    auto* browsing = new QWidget(page);
    edFilter_ = new QLineEdit(browsing);
    edFilter_->setObjectName(QStringLiteral("edFilter"));
    edFilter_->setClearButtonEnabled(true);
    connect(edFilter_, &QLineEdit::textChanged, this, &Tform_main::filterChanged);
    auto* focusFilter = new QShortcut(QKeySequence::Find, this);
    focusFilter->setContext(Qt::WindowShortcut);
    connect(focusFilter, &QShortcut::activated, this, [this] {
        edFilter_->setFocus(Qt::ShortcutFocusReason);
        edFilter_->selectAll();
    });
    edFilter_->installEventFilter(this);  // Escape clears it

    tvFolders_ = new QTreeView(browsing);
    tvFolders_->setObjectName(QStringLiteral("tvFolders"));
    tvFolders_->setModel(folderModel_);
    tvFolders_->setHeaderHidden(true);
    tvFolders_->setUniformRowHeights(true);
    connect(tvFolders_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { folderChosen(current); });

    panes_ = new PaneSplitter(browsing);
    panes_->setObjectName(QStringLiteral("spPanes"));
    panes_->addWidget(tvFolders_);
    panes_->addWidget(sgPodview_);
    preview_ = new PreviewPane(browsing);
    panes_->addWidget(preview_);
    panes_->setStretchFactor(1, 1);
    // At first the window shows the tree, every column of the listing and the preview whole.
    const int listing = sizeListingColumns(*sgPodview_, *model_);
    panes_->setPaneWidths({kTreeWidth, listing, kPreviewWidth});
    resize(kTreeWidth + listing + kPreviewWidth + 48, 560);
    connect(sgPodview_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &Tform_main::previewCurrentRow);
    auto* showPreview = findChild<QAction*>(QStringLiteral("Apercu1"));
    connect(showPreview, &QAction::toggled, this, [this](bool shown) {
        panes_->setPaneShown(panes_->indexOf(preview_), shown);
        previewCurrentRow();
    });

    // Tab goes from the filter through the tree and the listing to the preview; in the
    // listing it leaves the grid instead of moving from cell to cell.
    sgPodview_->setTabKeyNavigation(false);
    setTabOrder(edFilter_, tvFolders_);
    setTabOrder(tvFolders_, sgPodview_);

    sgPodview_->installEventFilter(this);
    model_->setDragExporter([this, drags = new EntryDrags(this)](std::vector<int> indices) {
        return archiveRead()
                   ? drags->start({podPath_.toStdString(), std::move(indices), extractionOptions()})
                   : nullptr;
    });
    connect(model_, &QAbstractItemModel::dataChanged, this, &Tform_main::showNarrowedStatus);

    auto* layout = new QVBoxLayout(browsing);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edFilter_);
    layout->addWidget(panes_, 1);
    return browsing;
}

void Tform_main::filterChanged(const QString& text) {
    guarded(this, [&] {
        proxy_->setFilter(ListingFilter(text.toStdString()));
        rowsNarrowed();
    });
}

void Tform_main::folderChosen(const QModelIndex& index) {
    guarded(this, [&] {
        if (!archiveRead()) return;
        proxy_->setFolder(&folders_, index.isValid() ? FolderTreeModel::folderOf(index) : 0);
        rowsNarrowed();
    });
}

void Tform_main::previewCurrentRow() {
    guarded(this, [this] {
        const CatalogueEntry* entry = currentEntry();
        // A hidden pane reads nothing.
        if (entry == nullptr || preview_->isHidden()) {
            preview_->clear();
            return;
        }
        preview_->showEntry(podPath_.toStdString(), pod_->catalogue(), *entry);
    });
}

void Tform_main::rowsNarrowed() {
    // A current row the narrowing hid is no longer shown: neither is its preview.
    if (!sgPodview_->currentIndex().isValid()) preview_->clear();
    showNarrowedStatus();
}

void Tform_main::showNarrowedStatus() {
    if (!archiveRead()) return;
    const std::string extra = narrowedStatus(proxy_->rowCount(), model_->rowCount(),
                                             model_->tickedCount(), settings().isEnglish());
    const std::string note = statusNote_.empty() ? "" : " - " + statusNote_;
    statusLine_->setText(QString::fromStdString(statusBase_ + extra + note));
}

bool Tform_main::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
    const auto& key = *static_cast<QKeyEvent*>(event);
    if (watched == sgPodview_) return gridKeyPressed(key);
    if (watched == edFilter_) return filterKeyPressed(key);
    return QMainWindow::eventFilter(watched, event);
}

bool Tform_main::filterKeyPressed(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Escape && !edFilter_->text().isEmpty()) {
        // The row that was current stays current, and in view, among all the rows.
        edFilter_->clear();
        sgPodview_->scrollTo(sgPodview_->currentIndex(), QAbstractItemView::PositionAtCenter);
        return true;
    }
    if (key.key() == Qt::Key_Down && proxy_->rowCount() > 0) {
        if (!sgPodview_->currentIndex().isValid())
            sgPodview_->setCurrentIndex(proxy_->index(0, kColName));
        sgPodview_->setFocus(Qt::TabFocusReason);
        return true;
    }
    return false;
}

bool Tform_main::gridKeyPressed(const QKeyEvent& key) {
    if (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter) {
        sgPodviewDblClickCell();
        return true;
    }
    if (key.key() == Qt::Key_Space && key.modifiers() == Qt::NoModifier) {
        const QModelIndex current = sgPodview_->currentIndex();
        if (current.isValid()) sgPodviewClickCell(current.row(), kColTick);
        return true;
    }
    if (key.matches(QKeySequence::SelectAll)) {
        setShownTicks(true);
        return true;
    }
    return false;
}

void Tform_main::setShownTicks(bool ticked) {
    guarded(this, [this, ticked] {
        std::vector<int> rows;
        for (int row = 0; row < proxy_->rowCount(); ++row)
            rows.push_back(proxy_->mapToSource(proxy_->index(row, 0)).row());
        model_->setTicks(rows, ticked);
    });
}

void Tform_main::rememberOpened(const QString& path) {
    // The list is a convenience: a settings file that cannot be written does not stop the
    // opening, and the status line says so the first time.
    statusNote_ = windowSettings_.rememberArchive(QFileInfo(path).absoluteFilePath().toStdString(),
                                                  settings().isEnglish());
    showRecentArchives(windowSettings_.recentArchives());
    showNarrowedStatus();
}

void Tform_main::archiveNotOpened(const QString& path) {
    const QString shown = QDir::toNativeSeparators(path);
    const std::string absolute = QFileInfo(path).absoluteFilePath().toStdString();
    const std::vector<std::string>& recent = windowSettings_.recentArchives();
    if (QFileInfo::exists(path) ||
        std::find(recent.begin(), recent.end(), absolute) == recent.end()) {
        showError(
            this,
            QStringLiteral("Impossible d'ouvrir le fichier %1\r\nCannot open file %1").arg(shown));
        return;
    }
    // A recent archive deleted or moved since: the list lets go of it.
    statusLine_->setText(
        QString::fromStdString(windowSettings_.forgetArchive(absolute, settings().isEnglish())));
    showRecentArchives(recent);
    showError(this, QStringLiteral("L'archive %1 n'existe plus : elle est retirée des archives "
                                   "récentes.\r\nThe archive %1 no longer exists: it is taken off "
                                   "the recent archives.")
                        .arg(shown));
}

void Tform_main::showRecentArchives(const std::vector<std::string>& paths) {
    recentMenu_->clear();
    int number = 0;
    for (const std::string& path : paths) {
        const QString file = QString::fromStdString(path);
        QAction* action = recentMenu_->addAction(
            QStringLiteral("&%1 %2").arg(++number).arg(QDir::toNativeSeparators(file)), this,
            [this, file] { openArchiveCommand(file); });
        action->setObjectName(QStringLiteral("Recent%1").arg(number));
    }
    recentMenu_->setEnabled(!paths.empty());
}

QLayout* Tform_main::buildExtractionTickBoxes(QWidget* page) {
    cbStruct_ = new QCheckBox(page);
    cbStruct_->setObjectName(QStringLiteral("cbStruct"));
    cbPng_ = new QCheckBox(page);
    cbPng_->setObjectName(QStringLiteral("cbPng"));
    auto* row = new QHBoxLayout;
    row->addWidget(cbStruct_);
    row->addWidget(cbPng_);
    row->addStretch();
    return row;
}

ExtractionOptions Tform_main::extractionOptions() const {
    return {cbStruct_->isChecked(), cbPng_->isChecked()};
}

void Tform_main::restoreLayout() {
    // The pane was built before the language was read: it takes it now, before it shows
    // anything.
    preview_->setEnglish(settings().isEnglish());
    guarded(this, [this] {
        windowSettings_.read();
        showRecentArchives(windowSettings_.recentArchives());
        const WindowLayout& layout = windowSettings_.layout();
        if (!layout.geometry.empty())
            restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(layout.geometry)));
        if (int(layout.panes.size()) == panes_->count())
            panes_->setPaneWidths(QList<int>(layout.panes.begin(), layout.panes.end()));
        if (layout.columns.size() == kCatalogueColumns)
            for (int column = 0; column < kCatalogueColumns; ++column)
                sgPodview_->setColumnWidth(column, layout.columns[std::size_t(column)]);
        findChild<QAction*>(QStringLiteral("Apercu1"))->setChecked(layout.preview);
        cbPng_->setChecked(layout.picturesAsPng);
    });
}

void Tform_main::saveLayout() {
    WindowLayout layout;
    layout.geometry = saveGeometry().toBase64().toStdString();
    const QList<int> panes = panes_->paneWidths();
    layout.panes.assign(panes.begin(), panes.end());
    for (int column = 0; column < kCatalogueColumns; ++column)
        layout.columns.push_back(sgPodview_->columnWidth(column));
    layout.preview = findChild<QAction*>(QStringLiteral("Apercu1"))->isChecked();
    layout.picturesAsPng = cbPng_->isChecked();
    windowSettings_.saveLayout(layout);
}

void Tform_main::closeEvent(QCloseEvent* event) {
    guarded(this, [this] { saveLayout(); });
    QMainWindow::closeEvent(event);
}

}  // namespace kelvane
