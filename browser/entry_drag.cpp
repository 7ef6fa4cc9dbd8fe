#include "browser/entry_drag.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <exception>
#include <future>
#include <optional>

#include "archive/pod_reader.h"
#include "browser/command_progress.h"
#include "browser/extraction_command.h"
#include "browser/main_window_support.h"
#include "platform/desktop_services.h"
#include "settings/settings.h"

namespace kelvane {
namespace {

const QString kUriList = QStringLiteral("text/uri-list");

// How often the progress box is brought up to date while the extraction runs.
constexpr std::chrono::milliseconds kProgressStep(15);

}  // namespace

// One drag's extraction: started by the first request for its files, it runs in a thread of
// its own; every request waits for its end, and the first to see it makes the file list.
class DragExtraction {
  public:
    DragExtraction(QWidget* window, QString folder, DraggedEntries entries);
    QList<QUrl> wait();
    // Stops the run, waits for its end and removes what it wrote.
    void discard();

  private:
    ExtractionReport run();
    QList<QUrl> finish(ExtractionReport report);

    QPointer<QWidget> window_;
    const QString folder_;
    const DraggedEntries entries_;
    std::atomic<int> done_ = 0;
    std::atomic<bool> cancelled_ = false;
    bool watched_ = false;  // a request shows the progress box
    std::optional<QList<QUrl>> urls_;
    std::future<ExtractionReport> run_;  // last: the thread ends before the rest goes
};

DragExtraction::DragExtraction(QWidget* window, QString folder, DraggedEntries entries)
    : window_(window),
      folder_(std::move(folder)),
      entries_(std::move(entries)),
      run_(std::async(std::launch::async, [this] { return run(); })) {}

ExtractionReport DragExtraction::run() {
    // The thread reads an archive of its own: the window's may be read or replaced meanwhile.
    TPOD archive(entries_.archivePath);
    if (archive.kind() == ArchiveKind::NotOpen) {
        const std::string path =
            QDir::toNativeSeparators(QString::fromStdString(entries_.archivePath)).toStdString();
        throw BilingualError("Impossible d'ouvrir le fichier " + path, "Cannot open file " + path);
    }
    archive.ReadHeaderAndDirectory();
    return extractEntries(archive, entries_.indices, folder_.toStdString(), entries_.options,
                          [this](int count) {
                              done_ = count;
                              return !cancelled_.load();
                          });
}

QList<QUrl> DragExtraction::wait() {
    {
        std::optional<CommandProgress> progress;
        if (!watched_) {
            watched_ = true;
            progress.emplace(window_, "DragExtractionProgress",
                             QString::fromUtf8(extractionProgressLabel(settings().isEnglish())),
                             static_cast<int>(entries_.indices.size()));
        }
        while (!urls_ && run_.wait_for(kProgressStep) != std::future_status::ready) {
            if (!progress) {
                QCoreApplication::processEvents();
            } else if (!progress->advance(done_)) {
                cancelled_ = true;
            }
        }
    }
    if (!urls_) {
        ExtractionReport report;
        try {
            report = run_.get();
        } catch (const std::exception& failure) {
            report.stoppedBy = failure.what();
        }
        urls_ = finish(std::move(report));
    }
    return *urls_;
}

void DragExtraction::discard() {
    cancelled_ = true;
    if (run_.valid()) run_.wait();
    QDir(folder_).removeRecursively();
    urls_ = QList<QUrl>();
}

QList<QUrl> DragExtraction::finish(ExtractionReport report) {
    QList<QUrl> urls;
    if (report.cancelled || !report.stoppedBy.empty()) {
        QDir(folder_).removeRecursively();
    } else {
        for (const QFileInfo& top : QDir(folder_).entryInfoList(
                 QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name))
            urls << QUrl::fromLocalFile(top.filePath());
    }
    // The target is waiting for the list: a box now would keep it waiting.
    const QString messages = QString::fromStdString(report.messages());
    if (!messages.isEmpty() && window_ != nullptr)
        QTimer::singleShot(0, window_,
                           [window = window_, messages] { showError(window, messages); });
    return urls;
}

EntryDragData::EntryDragData(Extractor extract, std::function<void()> discard)
    : extract_(std::move(extract)), discard_(std::move(discard)) {}

void EntryDragData::discard() {
    discard_();
    urls_ = QList<QUrl>();
}

QStringList EntryDragData::formats() const {
    return {kUriList};
}

bool EntryDragData::hasFormat(const QString& mimeType) const {
    return mimeType == kUriList;
}

QVariant EntryDragData::retrieveData(const QString& mimeType, QMetaType) const {
    if (mimeType != kUriList) return {};
    if (!urls_) urls_ = extract_();
    QVariantList urls;
    for (const QUrl& url : *urls_) urls << url;
    return urls;
}

EntryDrags::EntryDrags(QWidget* window) : QObject(window), window_(window) {}

EntryDrags::~EntryDrags() = default;

QMimeData* EntryDrags::start(DraggedEntries entries) {
    // The data may outlive the window: the drop target can ask for them after the drag.
    const auto extraction = std::make_shared<std::shared_ptr<DragExtraction>>();
    auto extract = [drags = QPointer<EntryDrags>(this), entries = std::move(entries), extraction] {
        // A thread that cannot start is said at once.
        if (*extraction == nullptr && drags != nullptr)
            guarded(drags->window_, [&] { *extraction = drags->begin(entries); });
        return *extraction != nullptr ? (*extraction)->wait() : QList<QUrl>();
    };
    auto discard = [extraction] {
        if (*extraction != nullptr) (*extraction)->discard();
    };
    return new EntryDragData(std::move(extract), std::move(discard));
}

std::shared_ptr<DragExtraction> EntryDrags::begin(DraggedEntries entries) {
    if (folder_ == nullptr) folder_ = std::make_unique<QTemporaryDir>();
    // A folder per drag, so that one drag's files never mix with another's.
    const QString folder = folder_->filePath(QString::number(++drags_)) + QLatin1Char('/');
    QDir().mkpath(folder);
    return std::make_shared<DragExtraction>(window_, folder, std::move(entries));
}

}  // namespace kelvane
