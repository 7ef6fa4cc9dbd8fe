#pragma once

#include <QAbstractProxyModel>
#include <vector>

#include "browser/folder_index.h"
#include "browser/listing_filter.h"

namespace kelvane {

class CatalogueModel;

// The listing's rows as the grid shows them: sorted by value (numbers and dates) or
// alphabetically (texts), moving whole rows so that the number column keeps naming its
// entry, and limited to the entries of the chosen folder that the filter keeps. Sorting
// and filtering work on plain row vectors: a filter keystroke costs one pass over the names.
class CatalogueProxy : public QAbstractProxyModel {
    Q_OBJECT
  public:
    explicit CatalogueProxy(CatalogueModel* catalogue, QObject* parent = nullptr);

    // A column below 0 restores directory order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    void setFilter(ListingFilter filter);
    // Shows only the entries in `folder` of `folders` (and below it); null or the root shows
    // every entry. `folders` must describe the listed catalogue and outlive its use here.
    void setFolder(const FolderIndex* folders, int folder);
    // True when a filter or a folder hides some entries.
    bool narrowed() const;

    // The catalogue rows in the grid's order, hidden ones included.
    const std::vector<int>& sortedRows() const { return order_; }

    QModelIndex mapToSource(const QModelIndex& proxyIndex) const override;
    QModelIndex mapFromSource(const QModelIndex& sourceIndex) const override;
    QModelIndex index(int row, int column,
                      const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;

  private:
    std::vector<int> ranks(int column, int rows) const;
    bool keeps(int row) const;
    // Recomputes the shown rows, keeping the current and selected rows where they still show.
    void reshow();
    void rebuild();
    void sourceChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                       const QList<int>& roles);

    CatalogueModel* catalogue_;
    ListingFilter filter_;
    const FolderIndex* folders_ = nullptr;
    int folder_ = 0;
    std::vector<int> order_;    // every catalogue row, sorted
    std::vector<int> shown_;    // the rows kept, in order_'s order
    std::vector<int> shownAt_;  // per catalogue row: its place in shown_, or -1
};

}  // namespace kelvane
