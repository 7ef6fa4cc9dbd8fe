#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

#include "archive/pod_reader.h"

namespace kelvane {

// The listing's columns.
enum CatalogueColumn { kColTick = 0, kColName, kColDirectory, kColSize, kColDate, kColNumber };
inline constexpr int kCatalogueColumns = 6;

// Archive timestamps as the listing shows them: the locale's short date, then its long time
// without the zone unless it is midnight, in local standard time.
class ListingDates {
  public:
    ListingDates();
    QString text(std::uint32_t timestamp, int standardBiasMinutes) const;

  private:
    QString dateFormat_;
    QString timeFormat_;
};

// The listing of the open archive: one row per catalogue entry, in directory order. Reads
// the reader's catalogue in place and keeps only a tick mark per row; every cell text is
// made when it is shown.
class CatalogueModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    // Column 0 of a row: "x" ticked, " " unticked by a click, empty never touched.
    enum Tick : char { kNever = 0, kTicked = 'x', kUnticked = ' ' };

    explicit CatalogueModel(QObject* parent = nullptr);

    // Lists `entries` (which must outlive the listing, or be replaced by clear()).
    void setCatalogue(const std::vector<CatalogueEntry>* entries, int standardBiasMinutes);
    void clear();
    bool hasCatalogue() const { return entries_ != nullptr; }

    void setHeaders(const QStringList& headers);
    void setHint(const QString& hint) { hint_ = hint; }

    const CatalogueEntry& entry(int row) const { return (*entries_)[std::size_t(row)]; }
    Tick tick(int row) const { return ticks_[std::size_t(row)]; }
    // A click on the row's tick cell: "x" becomes " ", anything else "x".
    void toggleTick(int row);
    // The given rows ticked ("x") or emptied, the others left as they are.
    void setTicks(const std::vector<int>& rows, bool ticked);
    std::int64_t tickedCount() const;

    QString dateText(std::uint32_t timestamp) const;

    // Rows dragged out of the listing become what `exporter` makes of their entries (the
    // catalogue indices, in the order dragged): the files a file manager copies.
    using DragExporter = std::function<QMimeData*(std::vector<int> indices)>;
    void setDragExporter(DragExporter exporter) { exporter_ = std::move(exporter); }
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    QVariant display(int row, int column) const;

    const std::vector<CatalogueEntry>* entries_ = nullptr;
    std::vector<Tick> ticks_;
    int biasMinutes_ = 0;
    ListingDates dates_;
    QStringList headers_;
    QString hint_;
    DragExporter exporter_;
};

}  // namespace kelvane
