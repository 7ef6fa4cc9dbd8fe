#include "browser/Kelvane_main.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "archive/timestamps.h"
#include "browser/archive_properties.h"
#include "browser/catalogue_model.h"
#include "browser/catalogue_proxy.h"
#include "browser/command_progress.h"
#include "browser/extension_grid.h"
#include "browser/extraction_command.h"
#include "browser/folder_tree_model.h"
#include "browser/listing_columns.h"
#include "browser/listing_text.h"
#include "browser/listing_view.h"
#include "browser/main_window_captions.h"
#include "browser/main_window_support.h"
#include "browser/verification_command.h"
#include "platform/cp1252.h"
#include "platform/desktop_services.h"
#include "preview/preview_pane.h"
#include "settings/Kelvane_init.h"
#include "settings/extension_table.h"
#include "settings/settings_file.h"

namespace kelvane {
namespace {

const QString kArchiveFilter =
    QStringLiteral("Fichiers Fly! POD/EPD|*.POD;*.EPD|Tous fichiers|*.*");

}  // namespace

Tform_main::Tform_main(std::string iniPath, std::string programDirectory, QWidget* parent)
    : QMainWindow(parent),
      iniPath_(std::move(iniPath)),
      programDirectory_(programDirectory.empty()
                            ? std::filesystem::u8path(iniPath_).parent_path().string()
                            : std::move(programDirectory)),
      model_(new CatalogueModel(this)),
      proxy_(new CatalogueProxy(model_, this)),
      folderModel_(new FolderTreeModel(this)) {
    setObjectName(QStringLiteral("form_main"));
    setAcceptDrops(true);
    buildMenus();
    buildToolBar();
    buildPages();
    buildEditorMenu();
    statusLine_ = new QLabel(this);
    statusLine_->setObjectName(QStringLiteral("StatusLine"));
    statusLine_->setTextFormat(Qt::PlainText);  // it shows the archive's name
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    statusBar()->addWidget(statusLine_, 1);
    applyCaptions(false);
    FormCreate();
    restoreLayout();
}

Tform_main::~Tform_main() {
    // The listing reads the reader's catalogue: let go of it first.
    model_->clear();
}

void Tform_main::buildMenus() {
    auto* podMenu = menuBar()->addMenu(QString());
    podMenu->setObjectName(QStringLiteral("PODEPD1"));
    auto* open = podMenu->addAction(QString(), this, [this] { btnOpenPODClick(); });
    open->setObjectName(QStringLiteral("OuvrirunPODEPD1"));
    recentMenu_ = podMenu->addMenu(QString());
    recentMenu_->setObjectName(QStringLiteral("ArchivesrecentesPODEPD1"));
    podMenu->addAction(QString(), this, [this] { RechercherdanslesarchivesClick(); })
        ->setObjectName(QStringLiteral("RechercherdanslesarchivesPODEPD1"));
    auto* create = podMenu->addAction(QString(), this, [this] { NouvellearchiveClick(); });
    create->setObjectName(QStringLiteral("NouvellearchivePODEPD1"));
    auto* extract = podMenu->addAction(QString(), this, [this] { btnExtractFileClick(); });
    extract->setObjectName(QStringLiteral("ExtraireunfichierdunPODEPD1"));
    addFiles_ = podMenu->addAction(QString(), this, [this] { AjouterdesfichiersClick(); });
    addFiles_->setObjectName(QStringLiteral("AjouterdesfichiersPODEPD1"));
    deleteTicked_ =
        podMenu->addAction(QString(), this, [this] { SupprimerlesentreescocheesClick(); });
    deleteTicked_->setObjectName(QStringLiteral("SupprimerlesentreescocheesPODEPD1"));
    verify_ = podMenu->addAction(QString(), this, [this] { VerifierlarchiveClick(); });
    verify_->setObjectName(QStringLiteral("VerifierlarchivePODEPD1"));
    properties_ = podMenu->addAction(QString(), this, [this] { ProprietesdelarchiveClick(); });
    properties_->setObjectName(QStringLiteral("ProprietesdelarchivePODEPD1"));
    enableArchiveCommands(false);

    auto* view = menuBar()->addAction(QString(), this, [this] { btnOpenFileClick(); });
    view->setObjectName(QStringLiteral("Voir1"));

    auto* initMenu = menuBar()->addMenu(QString());
    initMenu->setObjectName(QStringLiteral("Initialisation1"));
    langage_ = initMenu->addAction(QString(), this, [this] { LangageClick(); });
    langage_->setObjectName(QStringLiteral("Langage"));
    auto* directories = initMenu->addAction(QString(), this, [this] { RepertoireClick(); });
    directories->setObjectName(QStringLiteral("Repertoire"));
}

void Tform_main::buildToolBar() {
    auto* toolBar = addToolBar(QStringLiteral("ToolBar1"));
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->setMovable(false);
    const auto addButton = [&](const char* name, QStyle::StandardPixmap icon, auto handler) {
        auto* button = new QToolButton(toolBar);
        button->setObjectName(QString::fromUtf8(name));
        button->setIcon(style()->standardIcon(icon));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        connect(button, &QToolButton::clicked, this, handler);
        toolBar->addWidget(button);
        return button;
    };
    auto* open =
        addButton("btnOpenPOD", QStyle::SP_DialogOpenButton, [this] { btnOpenPODClick(); });
    open->setToolTip(QString::fromUtf8(kOpenPodHint));
    btnExtractFile_ =
        addButton("btnExtractFile", QStyle::SP_DialogSaveButton, [this] { btnExtractFileClick(); });
    btnExtractFile_->setEnabled(false);
    addButton("btnOpenFile", QStyle::SP_FileDialogContentsView, [this] { btnOpenFileClick(); });
    // A tool bar button shows whether the preview pane is on.
    toolBar->addSeparator();
    auto* preview =
        toolBar->addAction(style()->standardIcon(QStyle::SP_FileDialogInfoView), QString());
    preview->setObjectName(QStringLiteral("Apercu1"));
    preview->setCheckable(true);
    preview->setChecked(true);
    preview->setShortcut(Qt::Key_F9);
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
}

void Tform_main::buildPages() {
    pages_ = new QTabWidget(this);
    pages_->setObjectName(QStringLiteral("PageControl1"));

    tsPOD_ = new QWidget(pages_);
    tsPOD_->setObjectName(QStringLiteral("tsPOD"));

    sgPodview_ = new ListingView(tsPOD_);
    sgPodview_->setObjectName(QStringLiteral("sgPodview"));
    sgPodview_->setModel(proxy_);
    sgPodview_->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgPodview_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    sgPodview_->setDragEnabled(true);
    sgPodview_->setDragDropMode(QAbstractItemView::DragOnly);
    sgPodview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgPodview_->setWordWrap(false);
    sgPodview_->setAlternatingRowColors(true);
    sgPodview_->setToolTip(QString::fromUtf8(kGridHint));
    model_->setHint(QString::fromUtf8(kGridHint));
    sgPodview_->verticalHeader()->hide();
    sgPodview_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    sgPodview_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    QHeaderView* header = sgPodview_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setSectionsClickable(true);
    header->setHighlightSections(false);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(kColName, Qt::AscendingOrder);
    header->setStretchLastSection(false);
    connect(header, &QHeaderView::sectionClicked, this,
            [this](int column) { headerClicked(column); });
    connect(sgPodview_, &QTableView::clicked, this,
            [this](const QModelIndex& index) { sgPodviewClickCell(index.row(), index.column()); });
    connect(sgPodview_, &QTableView::doubleClicked, this, [this] { sgPodviewDblClickCell(); });

    auto* podLayout = new QVBoxLayout(tsPOD_);
    podLayout->setContentsMargins(4, 4, 4, 4);
    podLayout->addLayout(buildExtractionTickBoxes(tsPOD_));
    podLayout->addWidget(buildBrowsing(tsPOD_), 1);

    auto* tsExt = new QWidget(pages_);
    tsExt->setObjectName(QStringLiteral("tsExt"));
    Extension_ = new ExtensionGrid(interfaceScale(fontMetrics()), tsExt);
    auto* extLayout = new QVBoxLayout(tsExt);
    extLayout->setContentsMargins(4, 4, 4, 4);
    extLayout->addWidget(Extension_);

    pages_->addTab(tsPOD_, QString());
    pages_->addTab(tsExt, QString());
    setCentralWidget(pages_);
}

void Tform_main::buildEditorMenu() {
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PopupMenu1"));
    const auto addEntry = [&](const char* name, const char* caption, auto handler) {
        QAction* action = menu->addAction(QString::fromUtf8(caption), this, handler);
        action->setObjectName(QString::fromUtf8(name));
    };
    addEntry("OuvriravecPaint1", "Ouvrir avec Paint", [this] { OuvriravecPaint1Click(); });
    addEntry("OuvriravecPaintShopPro1", "Ouvrir avec PaintShopPro",
             [this] { OuvriravecPaintShopPro1Click(); });
    addEntry("OuvriravecPhotoshop1", "Ouvrir avec Photoshop",
             [this] { OuvriravecPhotoshop1Click(); });
    addEntry("OuvriravecERViewer1", "Ouvrir avec ERViewer", [this] { OuvriravecERViewer1Click(); });
    addTextureReplacement(*menu);
    sgPodview_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(sgPodview_, &QTableView::customContextMenuRequested, this, [this, menu](QPoint at) {
        const QModelIndex index = sgPodview_->indexAt(at);
        if (index.isValid()) sgPodview_->setCurrentIndex(index);
        menu->popup(sgPodview_->viewport()->mapToGlobal(at));
    });
}

void Tform_main::applyCaptions(bool english) {
    QStringList headers;
    for (const Caption& caption : kMainWindowCaptions) {
        const QString text = QString::fromUtf8(english ? caption.english : caption.french);
        const QString name = QString::fromUtf8(caption.name);
        switch (caption.target) {
            case CaptionTarget::Window:
                setWindowTitle(text);
                break;
            case CaptionTarget::Menu:
                findChild<QMenu*>(name)->setTitle(text);
                break;
            case CaptionTarget::Action:
                findChild<QAction*>(name)->setText(text);
                break;
            case CaptionTarget::Button:
                findChild<QToolButton*>(name)->setText(text);
                break;
            case CaptionTarget::Tab:
                pages_->setTabText(pages_->indexOf(findChild<QWidget*>(name)), text);
                break;
            case CaptionTarget::CheckBox:
                findChild<QCheckBox*>(name)->setText(text);
                break;
            case CaptionTarget::Placeholder:
                findChild<QLineEdit*>(name)->setPlaceholderText(text);
                break;
            case CaptionTarget::Header:
                headers << text;
                break;
        }
    }
    model_->setHeaders(headers);
}

void Tform_main::FormCreate() {
    guarded(this, [this] {
        loadStartupSettings(iniPath_, settings());
        if (settings().isEnglish()) English();
    });
}

void Tform_main::English() {
    // The language item keeps its caption: it names what the next click stores.
    const QString langage = langage_->text();
    applyCaptions(true);
    langage_->setText(langage);
}

bool Tform_main::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return QMainWindow::event(event);
}

void Tform_main::FormActivate() {
    guarded(this, [this] {
        if (const auto table = loadInstalledExtensionTable(programDirectory_)) {
            Extension_->showTable(*table);
            tableWarningShown_ = false;
            return;
        }
        // Closing the box activates this window again: warn once until the file comes back.
        if (tableWarningShown_) return;
        tableWarningShown_ = true;
        desktop().showButtonlessMessage(
            this, DesktopServices::MessageKind::Warning, QCoreApplication::applicationName(),
            settings().isEnglish() ? QStringLiteral("TypeFichier.csv absent from your directory")
                                   : QStringLiteral("TypeFichier.csv absent de votre répertoire"));
    });
}

void Tform_main::btnOpenPODClick() {
    guarded(this, [this] {
        const QString path = desktop().openFileName(
            this, kArchiveFilter, QString::fromStdString(settings().flyDirectory));
        if (!path.isEmpty()) openArchive(path);
    });
}

void Tform_main::openArchiveCommand(const QString& path) {
    if (busy_) return;
    guarded(this, [this, &path] { openArchive(path); });
}

void Tform_main::resetListing() {
    model_->clear();
    folderModel_->setFolders(nullptr, {});
    folders_ = FolderIndex();
    edFilter_->clear();
    preview_->clear();
    proxy_->sort(-1);
    sortColumn_ = -1;
    sgPodview_->horizontalHeader()->setSortIndicator(kColName, Qt::AscendingOrder);
    enableArchiveCommands(false);
}

void Tform_main::enableArchiveCommands(bool enabled) {
    verify_->setEnabled(enabled);
    properties_->setEnabled(enabled);
    // Archives of the layouts that are only read offer no command that would rewrite them.
    const bool writable = enabled && pod_->layout().writable();
    addFiles_->setEnabled(writable);
    deleteTicked_->setEnabled(writable);
}

void Tform_main::openArchive(const QString& path) {
    if (!isArchiveName(path)) return;
    setLiteralTitle(this, QStringLiteral("Kelvane - ") + path);
    resetListing();
    pod_.reset();
    pod_ = std::make_unique<TPOD>(path.toStdString());
    podPath_ = path;
    if (pod_->kind() == ArchiveKind::NotOpen) {
        archiveNotOpened(path);
        return;
    }
    pod_->ReadHeaderAndDirectory();

    const std::vector<CatalogueEntry>& entries = pod_->catalogue();
    model_->setCatalogue(&entries, standardBiasMinutes());
    folders_ = FolderIndex(entries);
    folderModel_->setFolders(&folders_, QFileInfo(path).fileName());
    tvFolders_->expand(folderModel_->index(0, 0));
    std::int64_t totalBytes = 0;
    for (const CatalogueEntry& entry : entries) totalBytes += entry.size;

    btnExtractFile_->setEnabled(true);
    enableArchiveCommands(true);
    statusBase_ = statusLine(QFileInfo(path).fileName().toStdString(), std::int64_t(entries.size()),
                             totalBytes, settings().isEnglish());
    statusLine_->setText(QString::fromStdString(statusBase_));
    allTicked_ = false;
    rememberOpened(path);
    pages_->setCurrentWidget(tsPOD_);
}

bool Tform_main::archiveListed() const {
    return archiveRead() && model_->rowCount() > 0;
}

bool Tform_main::archiveRead() const {
    // The listing gets the catalogue once the header and directory are read.
    return pod_ != nullptr && model_->hasCatalogue();
}

bool Tform_main::writableArchiveRead() const {
    return archiveRead() && pod_->layout().writable();
}

void Tform_main::sgPodviewClickCell(int proxyRow, int column) {
    if (column != kColTick) return;
    guarded(this,
            [&] { model_->toggleTick(proxy_->mapToSource(proxy_->index(proxyRow, 0)).row()); });
}

void Tform_main::headerClicked(int column) {
    guarded(this, [&] {
        if (column == kColTick) {
            // The tick column's header ticks or clears every row shown instead of sorting.
            allTicked_ = !allTicked_;
            setShownTicks(allTicked_);
        } else if (model_->rowCount() >= 2) {
            sortOrder_ = column == sortColumn_ && sortOrder_ == Qt::AscendingOrder
                             ? Qt::DescendingOrder
                             : Qt::AscendingOrder;
            sortColumn_ = column;
            proxy_->sort(column, sortOrder_);
        }
    });
    // The header shows the sort actually in force.
    QHeaderView* header = sgPodview_->horizontalHeader();
    if (sortColumn_ < 0) {
        header->setSortIndicator(kColName, Qt::AscendingOrder);
    } else {
        header->setSortIndicator(sortColumn_, sortOrder_);
    }
}

const CatalogueEntry* Tform_main::currentEntry() const {
    const QModelIndex current = sgPodview_->currentIndex();
    if (!current.isValid() || !archiveListed()) return nullptr;
    return &model_->entry(proxy_->mapToSource(current).row());
}

void Tform_main::sgPodviewDblClickCell() {
    guarded(this, [this] {
        const CatalogueEntry* entry = currentEntry();
        if (entry == nullptr) return;
        Voir(QString::fromStdString(cp1252ToUtf8(entry->name)), true);
    });
}

void Tform_main::btnOpenFileClick() {
    guarded(this, [this] {
        const QString path = desktop().openFileName(
            this, kAnyFileFilter, QString::fromStdString(settings().workDirectory));
        if (!path.isEmpty()) Voir(path, false);
    });
}

void Tform_main::Voir(const QString& fileName, bool FromArchive) {
    if (!FromArchive) {
        viewFile(this, viewers_, fileName);
        return;
    }
    // The row's entry comes from its index column, which survives sorting.
    const CatalogueEntry* entry = currentEntry();
    if (entry == nullptr) return;
    viewEntry(this, viewers_, {pod_.get(), entriesInGridOrder()}, *entry, cbStruct_->isChecked());
}

// Rows the filter or the folder tree hides count too: a companion texture is found, and a
// ticked entry is extracted, whether shown or not.
std::vector<const CatalogueEntry*> Tform_main::entriesInGridOrder() const {
    std::vector<const CatalogueEntry*> rows;
    for (const int row : proxy_->sortedRows()) rows.push_back(&model_->entry(row));
    return rows;
}

std::vector<int> Tform_main::tickedEntriesInGridOrder() const {
    std::vector<int> indices;
    for (const int row : proxy_->sortedRows())
        if (model_->tick(row) == CatalogueModel::kTicked)
            indices.push_back(model_->entry(row).index);
    return indices;
}

void Tform_main::btnExtractFileClick() {
    guarded(this, [this] {
        QString directory = desktop().existingDirectory(
            this, directoryPickerTitle(), QString::fromStdString(settings().workDirectory),
            DesktopServices::NewFolders::Refused);
        if (directory.isEmpty()) return;
        if (!directory.endsWith(QLatin1Char('/'))) directory += QLatin1Char('/');
        settings().workDirectory = directory.toStdString();
        if (!archiveListed()) return;

        const std::vector<int> indices = tickedEntriesInGridOrder();
        ExtractionReport report;
        {
            CommandProgress progress(
                this, "ExtractionProgress",
                QString::fromUtf8(extractionProgressLabel(settings().isEnglish())),
                static_cast<int>(indices.size()));
            // The progress box lets events through: nothing may replace the archive meanwhile.
            const QScopedValueRollback<bool> busy(busy_, true);
            report = extractEntries(*pod_, indices, settings().workDirectory, extractionOptions(),
                                    [&](int done) { return progress.advance(done); });
        }
        const std::string messages = report.messages();
        if (!messages.empty()) showError(this, QString::fromStdString(messages));
    });
}

void Tform_main::VerifierlarchiveClick() {
    guarded(this, [this] {
        if (!archiveRead() || busy_) return;
        const QScopedValueRollback<bool> busy(busy_, true);
        verifyArchiveCommand(this, *pod_);
    });
}

void Tform_main::ProprietesdelarchiveClick() {
    guarded(this, [this] {
        if (!archiveRead()) return;
        ArchiveProperties dialog(
            *pod_, [this](std::uint32_t timestamp) { return model_->dateText(timestamp); }, this);
        desktop().showModal(&dialog);
    });
}

void Tform_main::RepertoireClick() {
    guarded(this, [this] {
        if (formInit_ != nullptr) desktop().showModal(formInit_);
    });
}

void Tform_main::LangageClick() {
    guarded(this, [this] {
        if (!langage_->text().contains(QLatin1String("English"))) {
            langage_->setText(QStringLiteral("English"));
            saveLanguage(iniPath_, "français");
        } else {
            langage_->setText(QStringLiteral("Français"));
            saveLanguage(iniPath_, "english");
        }
        desktop().showMessage(this, DesktopServices::MessageKind::Warning,
                              QCoreApplication::applicationName(),
                              QStringLiteral("Vous devez redémarrer ce programme pour la prise en "
                                             "compte de la \r\nlangue.\r\nYou have to restart "
                                             "this program to change the language."));
    });
}

void Tform_main::OuvriravecPaint1Click() {
    openWithEditor(ExternalEditor::Paint);
}

void Tform_main::OuvriravecPaintShopPro1Click() {
    openWithEditor(ExternalEditor::PaintShopPro);
}

void Tform_main::OuvriravecPhotoshop1Click() {
    openWithEditor(ExternalEditor::Photoshop);
}

void Tform_main::OuvriravecERViewer1Click() {
    openWithEditor(ExternalEditor::ERViewer);
}

void Tform_main::openWithEditor(ExternalEditor editor) {
    guarded(this, [this, editor] {
        if (pod_ != nullptr && pod_->kind() == ArchiveKind::EPD) {
            desktop().showMessage(this, DesktopServices::MessageKind::Warning,
                                  QCoreApplication::applicationName(),
                                  QStringLiteral("Implementation en cours"));
            return;
        }
        const CatalogueEntry* entry = currentEntry();
        if (entry == nullptr) return;
        // Without a working directory the copy would land wherever the program was started.
        if (settings().workDirectory.empty()) {
            showError(this, QStringLiteral("Choisissez d'abord un répertoire de travail.\r\n"
                                           "Choose a working directory first."));
            return;
        }
        // The copy stays in the working directory for the editor.
        const ExtractionResult copy = pod_->Extract(
            entry->index, settings().workDirectory,
            cbStruct_->isChecked() ? StoredPath::KeepAndCreateLevels : StoredPath::Drop);
        const QString program = QString::fromStdString(editorProgram(editor, settings()));
        if (!desktop().startProgram(program, {QString::fromStdString(copy.path)},
                                    QString::fromStdString(settings().workDirectory), false)) {
            showError(this, QStringLiteral("Impossible de lancer %1\r\nCannot start %1")
                                .arg(QDir::toNativeSeparators(program)));
        }
        if (copy.truncated) {
            desktop().showMessage(
                this, DesktopServices::MessageKind::Warning, QCoreApplication::applicationName(),
                QString::fromStdString(entryCutShort(*entry, copy.written).what()));
        }
    });
}

}  // namespace kelvane
