#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QString>

#include "decoders/dbf_table.h"

namespace kelvane {

// A DBF table for a grid: the field names as the header, one row per record, cells read
// from the table when shown. Cells can be edited; edits live in the model only.
class DbfTableModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    using QAbstractTableModel::QAbstractTableModel;

    // Shows `table` with at most `maxRows` rows, dropping every edit.
    void setTable(DbfTable table, std::size_t maxRows);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    DbfTable table_;
    int rows_ = 0;
    QHash<QPair<int, int>, QString> edits_;  // by (row, column)
};

}  // namespace kelvane
