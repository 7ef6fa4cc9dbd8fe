#include "browser/entry_drag.h"

#include <QDir>
#include <QPointer>
#include <QScopedValueRollback>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <exception>
#include <future>

#include "archive/pod_reader.h"
#include "browser/command_progress.h"
#include "browser/extraction_command.h"
#include "browser/main_window_support.h"
#include "settings/settings.h"

namespace kelvane {
namespace {

const QString kUriList = QStringLiteral("text/uri-list");

// How often the progress box is brought up to date while the extraction runs.
constexpr std::chrono::milliseconds kProgressStep(15);

}  // namespace

EntryDragData::EntryDragData(Extractor extract) : extract_(std::move(extract)) {}

QStringList EntryDragData::formats() const {
    return {kUriList};
}

bool EntryDragData::hasFormat(const QString& mimeType) const {
    return mimeType == kUriList;
}

QVariant EntryDragData::retrieveData(const QString& mimeType, QMetaType) const {
    // A request made while the progress box lets events through gets nothing: the list is
    // not made yet.
    if (mimeType != kUriList || extracting_) return {};
    if (!urls_) {
        const QScopedValueRollback<bool> extracting(extracting_, true);
        urls_ = extract_();
    }
    QVariantList urls;
    for (const QUrl& url : *urls_) urls << url;
    return urls;
}

EntryDrags::EntryDrags(QWidget* window) : QObject(window), window_(window) {}

EntryDrags::~EntryDrags() = default;

QMimeData* EntryDrags::start(DraggedEntries entries) {
    // The data may outlive the window: the drop target can ask for them after the drag.
    return new EntryDragData([drags = QPointer<EntryDrags>(this), entries = std::move(entries)] {
        return drags != nullptr ? drags->extract(entries) : QList<QUrl>();
    });
}

QList<QUrl> EntryDrags::extract(const DraggedEntries& entries) {
    if (folder_ == nullptr) folder_ = std::make_unique<QTemporaryDir>();
    // A folder per drag, so that one drag's files never mix with another's.
    const QString folder = folder_->filePath(QString::number(++drags_)) + QLatin1Char('/');
    QDir().mkpath(folder);

    // The thread reads an archive of its own: the window's may be read or replaced meanwhile.
    std::atomic<int> done = 0;
    std::atomic<bool> cancelled = false;
    std::future<ExtractionReport> run = std::async(std::launch::async, [&] {
        TPOD archive(entries.archivePath);
        if (archive.kind() == ArchiveKind::NotOpen) {
            const std::string path =
                QDir::toNativeSeparators(QString::fromStdString(entries.archivePath)).toStdString();
            throw BilingualError("Impossible d'ouvrir le fichier " + path,
                                 "Cannot open file " + path);
        }
        archive.ReadHeaderAndDirectory();
        return extractEntries(archive, entries.indices, folder.toStdString(), entries.keepStructure,
                              [&](int count) {
                                  done = count;
                                  return !cancelled;
                              });
    });
    ExtractionReport report;
    {
        CommandProgress progress(window_, "DragExtractionProgress",
                                 QString::fromUtf8(extractionProgressLabel(settings().isEnglish())),
                                 static_cast<int>(entries.indices.size()));
        while (run.wait_for(kProgressStep) != std::future_status::ready)
            if (!progress.advance(done)) cancelled = true;
        try {
            report = run.get();
        } catch (const std::exception& failure) {
            report.stoppedBy = failure.what();
        }
    }

    QList<QUrl> urls;
    if (report.cancelled || !report.stoppedBy.empty()) {
        QDir(folder).removeRecursively();
    } else {
        for (const QFileInfo& top : QDir(folder).entryInfoList(
                 QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name))
            urls << QUrl::fromLocalFile(top.filePath());
    }
    // The target is waiting for the list: a box now would keep it waiting.
    const QString messages = QString::fromStdString(report.messages());
    if (!messages.isEmpty())
        QTimer::singleShot(0, window_,
                           [window = window_, messages] { showError(window, messages); });
    return urls;
}

}  // namespace kelvane
