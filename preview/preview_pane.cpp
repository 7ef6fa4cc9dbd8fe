#include "preview/preview_pane.h"

#include <QAction>
#include <QFontDatabase>
#include <QFutureWatcher>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStackedWidget>
#include <QTableView>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <cstring>
#include <exception>

#include "browser/picture_extraction.h"
#include "decoders/FichierBGR.h"
#include "decoders/FichierKEY.h"
#include "decoders/dbf_table_model.h"
#include "platform/cp1252.h"
#include "platform/desktop_services.h"
#include "preview/picture_view.h"
#include "preview/preview_captions.h"
#include "preview/sound_page.h"
#include "viewers/png_saving.h"

namespace kelvane {

// What the worker hands back: the content, with the picture and the long texts already in
// Qt's form so that the window thread only puts them on a page.
struct PreviewResult {
    PreviewContent content;
    QImage image;
    QString text;
    std::string caption[2];  // French, English
    std::string reason[2];
};

namespace {

constexpr int kDefaultDebounceMs = 30;

QImage toImage(const Rgba8Image& pixels) {
    QImage image(int(pixels.width), int(pixels.height),
                 pixels.hasAlpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    const std::size_t rowBytes = std::size_t(pixels.width) * 4;
    for (std::uint32_t y = 0; y < pixels.height; ++y)
        std::memcpy(image.scanLine(int(y)), pixels.pixels.data() + y * rowBytes, rowBytes);
    return image;
}

// Runs in the worker.
PreviewResult readPreview(const PreviewRequest& request) {
    PreviewResult result{previewEntry(request), {}, {}, {}, {}};
    for (const bool english : {false, true})
        result.caption[english] = previewCaption(result.content, english);
    if (auto* picture = std::get_if<PicturePreview>(&result.content)) {
        result.image = toImage(picture->pixels);
        picture->pixels = {};
    } else if (auto* text = std::get_if<TextPreview>(&result.content)) {
        result.text = QString::fromStdString(std::exchange(text->text, {}));
    } else if (auto* object = std::get_if<ObjectPreview>(&result.content)) {
        result.text = QString::fromStdString(std::exchange(object->text, {}));
    } else if (auto* dump = std::get_if<HexPreview>(&result.content)) {
        result.text = QString::fromStdString(std::exchange(dump->dump, {}));
        result.reason[0] = dump->french;
        result.reason[1] = dump->english;
    }
    return result;
}

QPlainTextEdit* textPage(QWidget* parent, const char* name) {
    auto* page = new QPlainTextEdit(parent);
    page->setObjectName(QString::fromLatin1(name));
    page->setReadOnly(true);
    page->setTabChangesFocus(true);
    page->setLineWrapMode(QPlainTextEdit::NoWrap);
    page->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return page;
}

// The largest a picture is decoded for: the screen, so that the pane can grow without a
// second read.
PictureSize pictureBox(const QWidget& pane) {
    const QScreen* screen = pane.screen();
    if (screen == nullptr) return {2048, 2048};
    const QSize size = screen->availableSize() * screen->devicePixelRatio();
    return {std::uint32_t(std::max(size.width(), 1)), std::uint32_t(std::max(size.height(), 1))};
}

}  // namespace

PreviewPane::PreviewPane(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PreviewPane"));
    info_ = new QLabel(this);
    info_->setObjectName(QStringLiteral("PreviewInfo"));
    info_->setTextFormat(Qt::PlainText);

    pages_ = new QStackedWidget(this);
    empty_ = new QLabel(pages_);
    empty_->setObjectName(QStringLiteral("PreviewEmpty"));
    empty_->setAlignment(Qt::AlignCenter);
    empty_->setEnabled(false);
    picture_ = new PictureView(pages_);
    picture_->setObjectName(QStringLiteral("PreviewPicture"));
    savePng_ = new QAction(picture_);
    savePng_->setObjectName(QStringLiteral("PreviewSavePng"));
    picture_->addAction(savePng_);
    picture_->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(savePng_, &QAction::triggered, this, &PreviewPane::savePicture);
    text_ = textPage(pages_, "PreviewText");
    tableModel_ = new DbfTableModel(this);
    table_ = new QTableView(pages_);
    table_->setObjectName(QStringLiteral("PreviewTable"));
    table_->setModel(tableModel_);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setWordWrap(false);
    table_->verticalHeader()->hide();
    sound_ = new SoundPage(pages_);
    sound_->setObjectName(QStringLiteral("PreviewSound"));
    hex_ = new QWidget(pages_);
    hex_->setObjectName(QStringLiteral("PreviewHex"));
    reason_ = new QLabel(hex_);
    reason_->setObjectName(QStringLiteral("PreviewReason"));
    reason_->setTextFormat(Qt::PlainText);
    dump_ = textPage(hex_, "PreviewHexDump");
    auto* hexLayout = new QVBoxLayout(hex_);
    hexLayout->setContentsMargins(0, 0, 0, 0);
    hexLayout->addWidget(reason_);
    hexLayout->addWidget(dump_);
    for (QWidget* page : {static_cast<QWidget*>(empty_), static_cast<QWidget*>(picture_),
                          static_cast<QWidget*>(text_), static_cast<QWidget*>(table_),
                          static_cast<QWidget*>(sound_), hex_})
        pages_->addWidget(page);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(info_);
    layout->addWidget(pages_, 1);

    debounce_ = new QTimer(this);
    debounce_->setSingleShot(true);
    debounce_->setInterval(kDefaultDebounceMs);
    connect(debounce_, &QTimer::timeout, this, &PreviewPane::startRead);
    clear();
}

PreviewPane::~PreviewPane() = default;

void PreviewPane::showEntry(const std::string& archivePath,
                            const std::vector<CatalogueEntry>& catalogue,
                            const CatalogueEntry& entry) {
    ++generation_;
    current_ = true;
    shown_ = false;
    sound_->clear();
    archivePath_ = archivePath;
    entry_ = entry;
    waiting_ = PreviewRequest{archivePath, entry, textureCompanion(catalogue, entry),
                              pictureBox(*this), decimalSeparatorOf(QLocale())};
    // A change after a quiet spell is read at once; the changes that follow it closely
    // wait until they stop, and only the last of them is read.
    const bool quiet = !debounce_->isActive() && !reading_;
    debounce_->start();
    updateTexts();
    if (quiet) startRead();
}

void PreviewPane::clear() {
    ++generation_;
    current_ = false;
    shown_ = false;
    waiting_.reset();
    debounce_->stop();
    showPage(empty_);
    updateTexts();
}

void PreviewPane::setEnglish(bool english) {
    english_ = english;
    updateTexts();
}

void PreviewPane::setDebounceInterval(int milliseconds) {
    debounce_->setInterval(milliseconds);
}

void PreviewPane::startRead() {
    // One read at a time: the one in the worker starts the latest entry when it ends.
    if (!waiting_ || reading_) return;
    reading_ = true;
    const std::uint64_t generation = generation_;
    auto* watcher = new QFutureWatcher<PreviewResult>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation] {
        watcher->deleteLater();
        finishRead(generation, watcher->future().takeResult());
    });
    watcher->setFuture(QtConcurrent::run(readPreview, std::move(*waiting_)));
    waiting_.reset();
    emit readStarted();
}

void PreviewPane::finishRead(std::uint64_t generation, PreviewResult result) {
    reading_ = false;
    if (generation == generation_) {
        showResult(result);
        emit previewShown();
    }
    if (waiting_ && !debounce_->isActive()) startRead();
}

void PreviewPane::showResult(PreviewResult& result) {
    for (int language = 0; language < 2; ++language) {
        caption_[language] = std::move(result.caption[language]);
        reasonText_[language] = std::move(result.reason[language]);
    }
    shown_ = true;
    if (std::holds_alternative<PicturePreview>(result.content)) {
        picture_->setImage(std::move(result.image));
        showPage(picture_);
    } else if (std::holds_alternative<TextPreview>(result.content) ||
               std::holds_alternative<ObjectPreview>(result.content)) {
        text_->setPlainText(result.text);
        showPage(text_);
    } else if (auto* table = std::get_if<TablePreview>(&result.content)) {
        tableModel_->setTable(std::move(table->table), table->bytes);
        table_->scrollToTop();
        showPage(table_);
    } else if (auto* keys = std::get_if<KeyPreview>(&result.content)) {
        text_->clear();
        fillKeyListing(*text_->document(), keys->listing.lines);
        text_->moveCursor(QTextCursor::Start);
        showPage(text_);
    } else if (auto* sound = std::get_if<SoundPreview>(&result.content)) {
        sound_->setSound(std::move(sound->archivePath), std::move(sound->entry));
        showPage(sound_);
    } else {
        dump_->setPlainText(result.text);
        showPage(hex_);
    }
    updateTexts();
}

void PreviewPane::showPage(QWidget* page) {
    // What the other pages hold goes with them.
    if (page != picture_) picture_->setImage({});
    if (page != table_) tableModel_->setTable({}, 0);
    if (page != sound_) sound_->clear();
    if (page != text_) text_->clear();
    if (page != hex_) dump_->clear();
    pages_->setCurrentWidget(page);
}

void PreviewPane::updateTexts() {
    const int language = english_ ? 1 : 0;
    empty_->setText(english_ ? QStringLiteral("No entry selected")
                             : QStringLiteral("Aucune entrée sélectionnée"));
    QString caption;
    if (current_ && !shown_) {
        caption = english_ ? QStringLiteral("Reading…") : QStringLiteral("Lecture…");
    } else if (current_) {
        caption = QString::fromStdString(caption_[language]);
    }
    info_->setText(caption);
    const QString reason = QString::fromStdString(reasonText_[language]);
    reason_->setText(reason);
    reason_->setVisible(!reason.isEmpty());
    sound_->setEnglish(english_);
    savePng_->setText(QString::fromUtf8(english_ ? kSavePngEnglish : kSavePngFrench));
}

void PreviewPane::savePicture() {
    // The picture on the page is fitted to the pane: the entry is decoded again, whole.
    if (!current_ || !shown_ || pages_->currentWidget() != picture_) return;
    guarded(this, [this] {
        const std::unique_ptr<Bitmap> picture = entryPicture(archivePath_, entry_);
        const std::string name = cp1252ToUtf8(entry_.name);
        savePictureAsPng(this, *picture, QString::fromStdString(name.substr(name.rfind('\\') + 1)));
    });
}

}  // namespace kelvane
