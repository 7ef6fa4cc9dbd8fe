#pragma once

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

#include "browser/background_search.h"
#include "browser/catalogue_model.h"

namespace kelvane {

// The rows a search has found so far: archive, stored name, size and date, in the order
// found.
class SearchResultsModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit SearchResultsModel(QObject* parent = nullptr);

    void setHeaders(const QStringList& headers);
    void clear();
    void append(std::vector<SearchHit> hits);
    const SearchHit& hit(int row) const { return hits_[std::size_t(row)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    std::vector<SearchHit> hits_;
    QStringList headers_;
    ListingDates dates_;
    int biasMinutes_;
};

}  // namespace kelvane
