#include "decoders/dbf_table_model.h"

#include <algorithm>
#include <climits>

#include "platform/cp1252.h"

namespace kelvane {

void DbfTableModel::setTable(DbfTable table, std::size_t maxRows) {
    beginResetModel();
    table_ = std::move(table);
    rows_ = static_cast<int>(std::min({table_.recordCount(), maxRows, std::size_t{INT_MAX}}));
    edits_.clear();
    endResetModel();
}

int DbfTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int DbfTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(table_.fieldCount());
}

QVariant DbfTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    const auto edited = edits_.constFind({index.row(), index.column()});
    if (edited != edits_.constEnd()) return *edited;
    const std::string_view cell = table_.cell(static_cast<std::size_t>(index.row()),
                                              static_cast<std::size_t>(index.column()));
    return QString::fromStdString(cp1252ToUtf8(cell));
}

bool DbfTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) return false;
    edits_.insert({index.row(), index.column()}, value.toString());
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QVariant DbfTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    const bool isField = orientation == Qt::Horizontal && section >= 0 &&
                         static_cast<std::size_t>(section) < table_.fieldCount();
    if (role != Qt::DisplayRole || !isField) return {};
    return QString::fromStdString(cp1252ToUtf8(table_.fieldNames()[section]));
}

Qt::ItemFlags DbfTableModel::flags(const QModelIndex& index) const {
    return QAbstractTableModel::flags(index) | Qt::ItemIsEditable;
}

}  // namespace kelvane
