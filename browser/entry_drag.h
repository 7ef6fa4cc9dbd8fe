#pragma once

#include <QList>
#include <QMimeData>
#include <QObject>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browser/extraction_command.h"

class QTemporaryDir;
class QWidget;

namespace kelvane {

class DragExtraction;

// The files a drag out of the listing stands for, as a file list that is only made when the
// drop target first asks for it: a drag that ends without reaching a target never asks. The
// list is made once and given again to every later request; a request made while it is being
// made (the progress box lets events through) waits for it too.
class EntryDragData : public QMimeData {
  public:
    using Extractor = std::function<QList<QUrl>()>;
    EntryDragData(Extractor extract, std::function<void()> discard);

    // The drag ended without a drop: what a target asked for on the way (some do while the
    // pointer passes over them) is taken away again, and no later request gets anything.
    void discard();

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

  protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

  private:
    Extractor extract_;
    std::function<void()> discard_;
    mutable std::optional<QList<QUrl>> urls_;
};

// Entries dragged out of the listing.
struct DraggedEntries {
    std::string archivePath;   // the archive they are read from, opened again for the drop
    std::vector<int> indices;  // catalogue indices, in the order dragged
    ExtractionOptions options;
};

// The drags out of one window. A drop extracts its drag's entries as Extraire does, in a
// thread of its own with the progress box up, into a folder of its own in a temporary folder
// kept while the window lives (the drop target copies from there after the drop). The target
// is given each top file or folder once; when the run fails or is cancelled it is given
// nothing and the drag's folder goes. What Extraire would say at the end is said once the
// target has its list.
class EntryDrags : public QObject {
  public:
    explicit EntryDrags(QWidget* window);
    ~EntryDrags() override;

    // The drag's data; extracts nothing.
    QMimeData* start(DraggedEntries entries);

  private:
    std::shared_ptr<DragExtraction> begin(DraggedEntries entries);

    QWidget* window_;
    std::unique_ptr<QTemporaryDir> folder_;
    int drags_ = 0;
};

}  // namespace kelvane
