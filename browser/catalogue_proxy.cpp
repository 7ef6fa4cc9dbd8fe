#include "browser/catalogue_proxy.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "archive/entry_names.h"
#include "browser/catalogue_model.h"
#include "browser/listing_text.h"

namespace kelvane {
namespace {

// Entries without a timestamp come before every dated one, and are equal among themselves.
std::int64_t dateKey(const CatalogueEntry& entry) {
    return entry.hasTimestamp ? std::int32_t(entry.timestamp) : INT64_MIN;
}

}  // namespace

CatalogueProxy::CatalogueProxy(CatalogueModel* catalogue, QObject* parent)
    : QAbstractProxyModel(parent), catalogue_(catalogue) {
    setSourceModel(catalogue);
    connect(catalogue, &QAbstractItemModel::modelReset, this, [this] {
        beginResetModel();
        folders_ = nullptr;
        folder_ = 0;
        order_.resize(std::size_t(catalogue_->rowCount()));
        std::iota(order_.begin(), order_.end(), 0);
        rebuild();
        endResetModel();
    });
    connect(catalogue, &QAbstractItemModel::dataChanged, this, &CatalogueProxy::sourceChanged);
    connect(catalogue, &QAbstractItemModel::headerDataChanged, this,
            &QAbstractItemModel::headerDataChanged);
}

void CatalogueProxy::sort(int column, Qt::SortOrder order) {
    const int rows = catalogue_->rowCount();
    order_.resize(std::size_t(rows));
    std::iota(order_.begin(), order_.end(), 0);
    if (column >= 0 && rows > 0) {
        const std::vector<int> rank = ranks(column, rows);
        // Rows of equal value keep directory order whichever way the column sorts.
        std::stable_sort(order_.begin(), order_.end(), [&](int a, int b) {
            return order == Qt::AscendingOrder ? rank[std::size_t(a)] < rank[std::size_t(b)]
                                               : rank[std::size_t(a)] > rank[std::size_t(b)];
        });
    }
    reshow();
}

void CatalogueProxy::setFilter(ListingFilter filter) {
    filter_ = std::move(filter);
    reshow();
}

void CatalogueProxy::setFolder(const FolderIndex* folders, int folder) {
    folders_ = folders;
    folder_ = folder;
    reshow();
}

bool CatalogueProxy::narrowed() const {
    return shown_.size() != order_.size();
}

bool CatalogueProxy::keeps(int row) const {
    if (folders_ != nullptr && folder_ > 0 && !folders_->holds(folder_, row)) return false;
    return filter_.keeps(catalogue_->entry(row).name);
}

void CatalogueProxy::rebuild() {
    shown_.clear();
    shown_.reserve(order_.size());
    if (filter_.keepsEverything() && (folders_ == nullptr || folder_ == 0)) {
        shown_ = order_;
    } else {
        for (const int row : order_)
            if (keeps(row)) shown_.push_back(row);
    }
    shownAt_.assign(order_.size(), -1);
    for (std::size_t at = 0; at < shown_.size(); ++at) shownAt_[std::size_t(shown_[at])] = int(at);
}

void CatalogueProxy::reshow() {
    emit layoutAboutToBeChanged();
    const QModelIndexList before = persistentIndexList();
    QModelIndexList sources;
    for (const QModelIndex& index : before) sources << mapToSource(index);
    rebuild();
    QModelIndexList after;
    for (const QModelIndex& source : sources) after << mapFromSource(source);
    changePersistentIndexList(before, after);
    emit layoutChanged();
}

void CatalogueProxy::sourceChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                   const QList<int>& roles) {
    if (topLeft.row() == bottomRight.row()) {
        const QModelIndex shown = mapFromSource(topLeft);
        if (shown.isValid())
            emit dataChanged(shown, index(shown.row(), bottomRight.column()), roles);
    } else if (!shown_.empty()) {
        emit dataChanged(index(0, topLeft.column()),
                         index(int(shown_.size()) - 1, bottomRight.column()), roles);
    }
}

QModelIndex CatalogueProxy::mapToSource(const QModelIndex& proxyIndex) const {
    if (!proxyIndex.isValid() || proxyIndex.row() >= int(shown_.size())) return {};
    return catalogue_->index(shown_[std::size_t(proxyIndex.row())], proxyIndex.column());
}

QModelIndex CatalogueProxy::mapFromSource(const QModelIndex& sourceIndex) const {
    if (!sourceIndex.isValid() || sourceIndex.row() >= int(shownAt_.size())) return {};
    const int at = shownAt_[std::size_t(sourceIndex.row())];
    return at < 0 ? QModelIndex() : createIndex(at, sourceIndex.column());
}

QModelIndex CatalogueProxy::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || row < 0 || row >= int(shown_.size()) || column < 0 ||
        column >= kCatalogueColumns)
        return {};
    return createIndex(row, column);
}

QModelIndex CatalogueProxy::parent(const QModelIndex&) const {
    return {};
}

int CatalogueProxy::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(shown_.size());
}

int CatalogueProxy::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kCatalogueColumns;
}

std::vector<int> CatalogueProxy::ranks(int column, int rows) const {
    // Texts compare through their sort keys, made once per sort.
    std::vector<std::string> keys;
    if (column == kColName || column == kColDirectory) {
        keys.reserve(std::size_t(rows));
        for (int row = 0; row < rows; ++row) {
            const std::string& name = catalogue_->entry(row).name;
            keys.push_back(
                textSortKey(column == kColName ? std::string_view(name) : directoryPart(name)));
        }
    }
    const auto less = [&](int left, int right) {
        if (!keys.empty()) return keys[std::size_t(left)] < keys[std::size_t(right)];
        const CatalogueEntry& a = catalogue_->entry(left);
        const CatalogueEntry& b = catalogue_->entry(right);
        switch (column) {
            case kColTick:
                return catalogue_->tick(left) < catalogue_->tick(right);
            case kColSize:
                return a.size < b.size;
            case kColDate:
                return dateKey(a) < dateKey(b);
            default:
                return a.index < b.index;
        }
    };
    std::vector<int> sorted(std::size_t(rows), 0);
    std::iota(sorted.begin(), sorted.end(), 0);
    std::sort(sorted.begin(), sorted.end(), less);
    // Equal values share a rank.
    std::vector<int> rank(std::size_t(rows), 0);
    int current = 0;
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        if (less(sorted[i - 1], sorted[i])) ++current;
        rank[std::size_t(sorted[i])] = current;
    }
    return rank;
}

}  // namespace kelvane
