#include "browser/search_results_model.h"

#include <QFile>

#include "archive/timestamps.h"
#include "platform/cp1252.h"

namespace kelvane {
namespace {

enum Column { kResultArchive = 0, kResultFile, kResultSize, kResultDate, kResultColumns };

}  // namespace

SearchResultsModel::SearchResultsModel(QObject* parent)
    : QAbstractTableModel(parent), biasMinutes_(standardBiasMinutes()) {}

void SearchResultsModel::setHeaders(const QStringList& headers) {
    headers_ = headers;
    emit headerDataChanged(Qt::Horizontal, 0, kResultColumns - 1);
}

void SearchResultsModel::clear() {
    beginResetModel();
    hits_.clear();
    endResetModel();
}

void SearchResultsModel::append(std::vector<SearchHit> hits) {
    if (hits.empty()) return;
    const int first = rowCount();
    beginInsertRows({}, first, first + int(hits.size()) - 1);
    hits_.insert(hits_.end(), std::make_move_iterator(hits.begin()),
                 std::make_move_iterator(hits.end()));
    endInsertRows();
}

int SearchResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(hits_.size());
}

int SearchResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kResultColumns;
}

QVariant SearchResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const SearchHit& item = hit(index.row());
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(index.column() == kResultSize
                                       ? Qt::AlignRight | Qt::AlignVCenter
                                       : Qt::AlignLeft | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (index.column()) {
        case kResultArchive:
            return QFile::decodeName(QByteArray::fromStdString(item.relative));
        case kResultFile:
            return QString::fromStdString(cp1252ToUtf8(item.name));
        case kResultSize:
            return QString::number(item.size);
        case kResultDate:
            return item.hasTimestamp ? dates_.text(item.timestamp, biasMinutes_) : QString();
    }
    return {};
}

QVariant SearchResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section >= headers_.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    return headers_[section];
}

}  // namespace kelvane
