#include "browser/archive_search_window.h"

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "browser/archive_search_text.h"
#include "browser/main_window_support.h"
#include "browser/search_results_model.h"
#include "platform/cp1252.h"
#include "platform/desktop_services.h"
#include "settings/settings.h"

namespace kelvane {
namespace {

// How often the window takes what the search found: rows come in batches, not one by one;
// sooner until the first rows are shown.
constexpr int kPollMilliseconds = 50;
constexpr int kFirstPollMilliseconds = 10;

QString captionText(const SearchCaption& caption) {
    return QString::fromUtf8(settings().isEnglish() ? caption.english : caption.french);
}

}  // namespace

ArchiveSearchWindow::ArchiveSearchWindow(QWidget* parent, BackgroundSearch::SearchFunction search)
    : QDialog(parent),
      searchFunction_(std::move(search)),
      results_(new SearchResultsModel(this)),
      edFolder_(new QLineEdit(this)),
      btnBrowse_(new QPushButton(QStringLiteral("..."), this)),
      edPattern_(new QLineEdit(this)),
      btnSearch_(new QPushButton(this)),
      sgResults_(new QTableView(this)),
      lblProgress_(new QLabel(this)),
      lblUnread_(new QLabel(this)),
      lstUnread_(new QListWidget(this)),
      btnCancel_(new QPushButton(this)) {
    setObjectName(QStringLiteral("ArchiveSearchWindow"));
    edFolder_->setObjectName(QStringLiteral("edFolder"));
    btnBrowse_->setObjectName(QStringLiteral("btnBrowse"));
    edPattern_->setObjectName(QStringLiteral("edPattern"));
    btnSearch_->setObjectName(QStringLiteral("btnSearch"));
    sgResults_->setObjectName(QStringLiteral("sgResults"));
    lblProgress_->setObjectName(QStringLiteral("lblProgress"));
    lblUnread_->setObjectName(QStringLiteral("lblUnread"));
    lstUnread_->setObjectName(QStringLiteral("lstUnread"));
    btnCancel_->setObjectName(QStringLiteral("btnCancel"));

    auto* lblFolder = new QLabel(this);
    lblFolder->setObjectName(QStringLiteral("lblFolder"));
    lblFolder->setBuddy(edFolder_);
    auto* lblPattern = new QLabel(this);
    lblPattern->setObjectName(QStringLiteral("lblPattern"));
    lblPattern->setBuddy(edPattern_);
    auto* lblHint = new QLabel(this);
    lblHint->setObjectName(QStringLiteral("lblHint"));
    lblHint->setEnabled(false);  // drawn greyed: a hint, not a field

    // Enter searches from either field; Enter on a row is the table's own (see eventFilter).
    btnSearch_->setDefault(true);
    btnBrowse_->setAutoDefault(false);
    btnCancel_->setAutoDefault(false);
    btnCancel_->setEnabled(false);
    edFolder_->setText(QString::fromStdString(settings().flyDirectory));
    connect(btnSearch_, &QPushButton::clicked, this, [this] { btnSearchClick(); });
    connect(btnBrowse_, &QPushButton::clicked, this, [this] { btnBrowseClick(); });
    connect(btnCancel_, &QPushButton::clicked, this, [this] { btnCancelClick(); });

    sgResults_->setModel(results_);
    sgResults_->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgResults_->setSelectionMode(QAbstractItemView::SingleSelection);
    sgResults_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgResults_->setTabKeyNavigation(false);
    sgResults_->setWordWrap(false);
    sgResults_->setAlternatingRowColors(true);
    sgResults_->verticalHeader()->hide();
    // Fixed row heights keep adding thousands of rows cheap.
    sgResults_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    sgResults_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    sgResults_->horizontalHeader()->setResizeContentsPrecision(0);  // fitted to the rows shown
    sgResults_->installEventFilter(this);
    connect(sgResults_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { chooseRow(index.row()); });

    lblProgress_->setTextFormat(Qt::PlainText);  // it may quote a folder's name
    lstUnread_->setMaximumHeight(fontMetrics().height() * 4);
    btnBrowse_->setMaximumWidth(fontMetrics().horizontalAdvance(btnBrowse_->text()) * 4);
    lblUnread_->hide();
    lstUnread_->hide();

    auto* fields = new QGridLayout;
    fields->addWidget(lblFolder, 0, 0);
    fields->addWidget(edFolder_, 0, 1);
    fields->addWidget(btnBrowse_, 0, 2);
    fields->addWidget(lblPattern, 1, 0);
    fields->addWidget(edPattern_, 1, 1);
    fields->addWidget(btnSearch_, 1, 2);
    fields->addWidget(lblHint, 2, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblProgress_, 1);
    bottom->addWidget(btnCancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(sgResults_, 1);
    layout->addLayout(bottom);
    layout->addWidget(lblUnread_);
    layout->addWidget(lstUnread_);

    setTabOrder(edFolder_, edPattern_);
    setTabOrder(edPattern_, btnSearch_);
    setTabOrder(btnSearch_, sgResults_);
    setTabOrder(sgResults_, btnCancel_);
    setTabOrder(btnCancel_, btnBrowse_);

    connect(&poll_, &QTimer::timeout, this, [this] { showNews(); });
    applyCaptions();
    resize(880, 480);
}

ArchiveSearchWindow::~ArchiveSearchWindow() {
    stop();
}

void ArchiveSearchWindow::applyCaptions() {
    for (const SearchCaption& caption : kArchiveSearchCaptions) {
        const QString name = QString::fromUtf8(caption.name);
        if (name.isEmpty()) {
            setWindowTitle(captionText(caption));
        } else {
            findChild<QWidget*>(name)->setProperty("text", captionText(caption));
        }
    }
    QStringList headers;
    for (const SearchCaption& header : kArchiveSearchHeaders) headers << captionText(header);
    results_->setHeaders(headers);
}

void ArchiveSearchWindow::showEvent(QShowEvent* event) {
    applyCaptions();  // the language may have been switched since
    QDialog::showEvent(event);
}

void ArchiveSearchWindow::hideEvent(QHideEvent* event) {
    stop();
    QDialog::hideEvent(event);
}

bool ArchiveSearchWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == sgResults_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const QModelIndex current = sgResults_->currentIndex();
            if (current.isValid()) chooseRow(current.row());
            return true;  // not the dialog's default button
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ArchiveSearchWindow::btnSearchClick() {
    guarded(this, [this] { search(edFolder_->text(), edPattern_->text()); });
}

void ArchiveSearchWindow::btnBrowseClick() {
    guarded(this, [this] {
        const QString folder = desktop().existingDirectory(
            this, directoryPickerTitle(), edFolder_->text(), DesktopServices::NewFolders::Refused);
        if (!folder.isEmpty()) edFolder_->setText(folder);
    });
}

void ArchiveSearchWindow::btnCancelClick() {
    if (running_) running_->cancel();
}

void ArchiveSearchWindow::search(const QString& folder, const QString& patterns) {
    stop();
    results_->clear();
    columnsFitted_ = false;
    lstUnread_->clear();
    lblUnread_->hide();
    lstUnread_->hide();
    std::vector<std::string> wanted;
    for (const QString& pattern :
         patterns.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        wanted.push_back(utf8ToCp1252(pattern.toStdString()));
    }
    if (wanted.empty() || folder.isEmpty()) return;
    running_ = std::make_unique<BackgroundSearch>(QFile::encodeName(folder).toStdString(),
                                                  std::move(wanted), settings().isEnglish(),
                                                  searchFunction_);
    btnCancel_->setEnabled(true);
    lblProgress_->clear();
    poll_.start(kFirstPollMilliseconds);
}

void ArchiveSearchWindow::showNews() {
    if (!running_) return;
    SearchNews news = running_->take();
    results_->append(std::move(news.hits));
    if (!columnsFitted_ && results_->rowCount() > 0) {
        fitColumns();
        columnsFitted_ = true;
        poll_.setInterval(kPollMilliseconds);
    }
    for (const UnreadArchive& archive : news.unread) {
        lstUnread_->addItem(QFile::decodeName(QByteArray::fromStdString(archive.relative)) +
                            QStringLiteral(" : ") + QString::fromStdString(archive.reason));
    }
    lblUnread_->setVisible(lstUnread_->count() > 0);
    lstUnread_->setVisible(lstUnread_->count() > 0);
    lblProgress_->setText(QString::fromStdString(
        searchProgressLine(news, std::size_t(results_->rowCount()),
                           std::size_t(lstUnread_->count()), settings().isEnglish())));
    if (news.finished) stop();
}

void ArchiveSearchWindow::fitColumns() {
    // Fitted once to the first rows; the names' column takes the width left, or gives up
    // some so that a long name is cut rather than the date pushed out of sight.
    sgResults_->resizeColumnsToContents();
    QHeaderView* header = sgResults_->horizontalHeader();
    const int spare = sgResults_->viewport()->width() - header->length();
    const int file = 1;
    header->resizeSection(
        file, std::max(header->sectionSize(file) + spare, fontMetrics().averageCharWidth() * 20));
}

void ArchiveSearchWindow::stop() {
    poll_.stop();
    running_.reset();  // cancels and waits
    btnCancel_->setEnabled(false);
}

void ArchiveSearchWindow::chooseRow(int row) {
    const SearchHit& hit = results_->hit(row);
    emit entryChosen(QFile::decodeName(QByteArray::fromStdString(hit.archivePath)), hit.index);
}

}  // namespace kelvane
