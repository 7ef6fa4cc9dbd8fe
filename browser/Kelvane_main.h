#pragma once

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "archive/archive_writer.h"
#include "archive/pod_reader.h"
#include "browser/external_editors.h"
#include "browser/extraction_command.h"
#include "browser/folder_index.h"
#include "platform/folder_walk.h"
#include "settings/window_settings.h"
#include "viewers/dispatch.h"

class QAction;
class QCheckBox;
class QLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QDropEvent;
class QTreeView;
class QTabWidget;
class QTableView;
class QToolButton;

namespace kelvane {

class CatalogueModel;
class CatalogueProxy;
class ExtensionGrid;
class FolderTreeModel;
class PaneSplitter;
class PreviewPane;
class TForm_init;

// The main window: opens an archive, lists its entries, ticks and extracts them, writes new
// archives and adds or deletes entries, and hands an entry or a file from disk to the viewers.
class Tform_main : public QMainWindow {
    Q_OBJECT
  public:
    // Reads the settings file at `iniPath` while the window is created.
    // The known-extensions table is looked for in `programDirectory` first; by default the
    // settings file's folder.
    explicit Tform_main(std::string iniPath, std::string programDirectory = {},
                        QWidget* parent = nullptr);
    ~Tform_main() override;

    void setDirectoriesDialog(TForm_init* dialog) { formInit_ = dialog; }
    void setViewerWindows(ViewerWindows windows) { viewers_ = std::move(windows); }

    // Opens and lists an archive as the open dialog does, showing any failure in a box.
    void openArchiveCommand(const QString& path);
    // Opens the archive so, with its entry at `index` current, selected and shown.
    void openArchiveAtEntry(const QString& path, int index);

    // Shows a file: an entry of the listed archive (the grid's current row) or a file from
    // disk.
    void Voir(const QString& fileName, bool FromArchive);

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // What a drop at `at` (window coordinates) does.
    enum class DropUse { None, OpenArchive, AddFiles };
    DropUse dropUse(const QDropEvent& event) const;
    void buildMenus();
    void buildToolBar();
    void buildPages();
    void buildEditorMenu();
    // "Replace texture..." in the listing's right-click menu, shown on texture halves.
    void addTextureReplacement(QMenu& menu);
    void replaceTextureClick();
    // Makes the row of the entry `name` current, when it is shown.
    void selectEntryNamed(const std::string& name);
    // The filter box, the folder tree and the panes around the listing; the keys of the
    // listing; the recent archives; the layout kept between runs.
    QWidget* buildBrowsing(QWidget* page);
    // The tick-boxes over the listing that say how entries are extracted, and what they say.
    QLayout* buildExtractionTickBoxes(QWidget* page);
    ExtractionOptions extractionOptions() const;
    void restoreLayout();
    void saveLayout();
    void showRecentArchives(const std::vector<std::string>& paths);
    void rememberOpened(const QString& path);
    void archiveNotOpened(const QString& path);
    void filterChanged(const QString& text);
    void folderChosen(const QModelIndex& index);
    void rowsNarrowed();
    void showNarrowedStatus();
    void previewCurrentRow();
    bool filterKeyPressed(const QKeyEvent& key);
    bool gridKeyPressed(const QKeyEvent& key);
    void setShownTicks(bool ticked);
    void applyCaptions(bool english);
    void FormCreate();
    void English();
    void FormActivate();

    void btnOpenPODClick();
    void openArchive(const QString& path);
    void btnExtractFileClick();
    void btnOpenFileClick();
    void NouvellearchiveClick();
    void AjouterdesfichiersClick();
    void SupprimerlesentreescocheesClick();
    void addFiles(const QStringList& paths, bool confirm);
    void writeAndList(const ArchivePlan& plan, const std::string& path,
                      const std::vector<SkippedFile>& skipped);
    void VerifierlarchiveClick();
    void ProprietesdelarchiveClick();
    void RepertoireClick();
    void RechercherdanslesarchivesClick();
    void LangageClick();
    void sgPodviewClickCell(int proxyRow, int column);
    void headerClicked(int column);
    void sgPodviewDblClickCell();
    void OuvriravecPaint1Click();
    void OuvriravecPaintShopPro1Click();
    void OuvriravecPhotoshop1Click();
    void OuvriravecERViewer1Click();
    void openWithEditor(ExternalEditor editor);

    void resetListing();
    std::vector<int> tickedEntriesInGridOrder() const;
    std::vector<const CatalogueEntry*> entriesInGridOrder() const;
    const CatalogueEntry* currentEntry() const;
    bool archiveListed() const;
    bool archiveRead() const;
    bool writableArchiveRead() const;
    void enableArchiveCommands(bool enabled);

    std::string iniPath_;
    std::string programDirectory_;  // where the settings file and the extension table live
    WindowSettings windowSettings_{iniPath_};
    bool tableWarningShown_ = false;
    std::unique_ptr<TPOD> pod_;
    QString podPath_;  // the file pod_ was opened from
    bool allTicked_ = false;
    std::string statusBase_;  // the status line as the archive was listed
    std::string statusNote_;  // said after it until the next archive is listed
    FolderIndex folders_;
    bool busy_ = false;    // a command with a progress box runs
    int sortColumn_ = -1;  // none clicked yet
    Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
    TForm_init* formInit_ = nullptr;
    ViewerWindows viewers_;

    CatalogueModel* model_;
    CatalogueProxy* proxy_;
    QTableView* sgPodview_ = nullptr;
    ExtensionGrid* Extension_ = nullptr;
    QCheckBox* cbStruct_ = nullptr;
    QCheckBox* cbPng_ = nullptr;
    QLineEdit* edFilter_ = nullptr;
    FolderTreeModel* folderModel_ = nullptr;
    QTreeView* tvFolders_ = nullptr;
    PaneSplitter* panes_ = nullptr;
    PreviewPane* preview_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QTabWidget* pages_ = nullptr;
    QWidget* tsPOD_ = nullptr;
    QToolButton* btnExtractFile_ = nullptr;
    QAction* addFiles_ = nullptr;
    QAction* deleteTicked_ = nullptr;
    QAction* verify_ = nullptr;
    QAction* properties_ = nullptr;
    QAction* langage_ = nullptr;
    QLabel* statusLine_ = nullptr;
};

}  // namespace kelvane
