#include "browser/catalogue_model.h"

#include <QApplication>
#include <QBrush>
#include <QDate>
#include <QLocale>
#include <QPalette>
#include <QTime>
#include <algorithm>
#include <cstdint>

#include "archive/entry_names.h"
#include "archive/timestamps.h"
#include "browser/listing_text.h"
#include "platform/cp1252.h"

namespace kelvane {
namespace {

QString fromArchiveText(std::string_view bytes) {
    return QString::fromStdString(cp1252ToUtf8(bytes));
}

constexpr Qt::Alignment kAlignments[kCatalogueColumns] = {
    Qt::AlignCenter, Qt::AlignLeft | Qt::AlignVCenter, Qt::AlignCenter, Qt::AlignCenter,
    Qt::AlignCenter, Qt::AlignRight | Qt::AlignVCenter};

}  // namespace

ListingDates::ListingDates() {
    const QLocale locale = QLocale::system();
    dateFormat_ = locale.dateFormat(QLocale::ShortFormat);
    timeFormat_ = QString::fromStdString(
        timeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat).toStdString()));
}

QString ListingDates::text(std::uint32_t timestamp, int standardBiasMinutes) const {
    const LocalDateTime local = DateDecode(timestamp, standardBiasMinutes);
    const QLocale locale = QLocale::system();
    const QString date = locale.toString(QDate(local.year, local.month, local.day), dateFormat_);
    if (local.isMidnight()) return date;
    return date + QLatin1Char(' ') +
           locale.toString(QTime(local.hour, local.minute, local.second), timeFormat_);
}

CatalogueModel::CatalogueModel(QObject* parent) : QAbstractTableModel(parent) {}

void CatalogueModel::setCatalogue(const std::vector<CatalogueEntry>* entries,
                                  int standardBiasMinutes) {
    beginResetModel();
    entries_ = entries;
    biasMinutes_ = standardBiasMinutes;
    ticks_.assign(entries != nullptr ? entries->size() : 0, kNever);
    endResetModel();
}

void CatalogueModel::clear() {
    setCatalogue(nullptr, 0);
}

void CatalogueModel::setHeaders(const QStringList& headers) {
    headers_ = headers;
    emit headerDataChanged(Qt::Horizontal, 0, kCatalogueColumns - 1);
}

void CatalogueModel::toggleTick(int row) {
    Tick& mark = ticks_[std::size_t(row)];
    mark = mark == kTicked ? kUnticked : kTicked;
    const QModelIndex cell = index(row, kColTick);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

void CatalogueModel::setTicks(const std::vector<int>& rows, bool ticked) {
    if (rows.empty()) return;
    for (const int row : rows) ticks_[std::size_t(row)] = ticked ? kTicked : kNever;
    emit dataChanged(index(0, kColTick), index(rowCount() - 1, kColTick), {Qt::DisplayRole});
}

std::int64_t CatalogueModel::tickedCount() const {
    return std::count(ticks_.begin(), ticks_.end(), kTicked);
}

QString CatalogueModel::dateText(std::uint32_t timestamp) const {
    return dates_.text(timestamp, biasMinutes_);
}

Qt::ItemFlags CatalogueModel::flags(const QModelIndex& index) const {
    const Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    return index.isValid() && exporter_ ? flags | Qt::ItemIsDragEnabled : flags;
}

QStringList CatalogueModel::mimeTypes() const {
    return {QStringLiteral("text/uri-list")};
}

QMimeData* CatalogueModel::mimeData(const QModelIndexList& indexes) const {
    if (!exporter_) return nullptr;
    std::vector<int> indices;
    for (const QModelIndex& index : indexes)
        if (index.column() == kColName) indices.push_back(entry(index.row()).index);
    return indices.empty() ? nullptr : exporter_(std::move(indices));
}

int CatalogueModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || entries_ == nullptr ? 0 : static_cast<int>(entries_->size());
}

int CatalogueModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kCatalogueColumns;
}

QVariant CatalogueModel::display(int row, int column) const {
    const CatalogueEntry& item = entry(row);
    switch (column) {
        case kColTick:
            return ticks_[std::size_t(row)] == kNever
                       ? QString()
                       : QString(QLatin1Char(ticks_[std::size_t(row)]));
        case kColName:
            return fromArchiveText(item.name);
        case kColDirectory:
            return fromArchiveText(directoryPart(item.name));
        case kColSize:
            return QString::number(item.size);
        case kColDate:
            return item.hasTimestamp ? dateText(item.timestamp) : QString();
        case kColNumber:
            return QString::number(item.index + 1);
    }
    return {};
}

QVariant CatalogueModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || entries_ == nullptr) return {};
    switch (role) {
        case Qt::DisplayRole:
            return display(index.row(), index.column());
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(kAlignments[index.column()]);
        case Qt::ToolTipRole:
            // A long name may be drawn shortened: its tip gives it whole.
            if (index.column() == kColName)
                return display(index.row(), kColName).toString() + QLatin1Char('\n') + hint_;
            return hint_;
        case Qt::BackgroundRole:
            // The number column is drawn as a fixed column.
            if (index.column() == kColNumber)
                return QApplication::palette().brush(QPalette::Button);
            return {};
    }
    return {};
}

QVariant CatalogueModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= headers_.size()) return {};
    if (role == Qt::DisplayRole) return headers_[section];
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(kAlignments[section]);
    return {};
}

}  // namespace kelvane
