#include "browser/listing_columns.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <algorithm>
#include <cstdint>

#include "browser/catalogue_model.h"

namespace kelvane {
namespace {

// Column widths at the classic interface font.
constexpr int kColumnWidths[kCatalogueColumns] = {20, 251, 80, 80, 110, 30};
constexpr double kClassicLineHeight = 13.0;
// Room around a cell's text.
constexpr int kCellPadding = 16;

const QString kLeftOut = QStringLiteral("\u2026");

bool isSeparator(QChar c) {
    return c == QLatin1Char('\\') || c == QLatin1Char(':');
}

}  // namespace

double interfaceScale(const QFontMetrics& metrics) {
    return std::max(1.0, metrics.height() / kClassicLineHeight);
}

int sizeListingColumns(QTableView& grid, const CatalogueModel& model) {
    const QFontMetrics metrics = grid.fontMetrics();
    const double scale = interfaceScale(metrics);
    // A wide date and time: two-digit day and month, late in the day.
    constexpr std::uint32_t kWideTimestamp = 977961599;  // 2000-12-27 23:59:59 UTC
    const int dateWidth = metrics.horizontalAdvance(model.dateText(kWideTimestamp));
    const int numberWidth = metrics.horizontalAdvance(QStringLiteral("000000"));
    int total = 0;
    for (int column = 0; column < kCatalogueColumns; ++column) {
        int width = int(kColumnWidths[column] * scale);
        if (column == kColDate) width = std::max(width, dateWidth + kCellPadding);
        if (column == kColNumber) width = std::max(width, numberWidth + kCellPadding);
        grid.setColumnWidth(column, width);
        total += width;
    }
    grid.horizontalHeader()->setSectionResizeMode(kColName, QHeaderView::Stretch);
    grid.setItemDelegateForColumn(kColName, new StoredNameDelegate(&grid));
    return total + 2 * grid.frameWidth() + grid.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

QString elidedStoredName(const QString& name, const QFontMetrics& metrics, int room) {
    if (metrics.horizontalAdvance(name) <= room) return name;
    qsizetype fileStart = name.size();
    while (fileStart > 0 && !isSeparator(name[fileStart - 1])) --fileStart;
    if (fileStart > 0) {
        // As many leading folders as fit, the others left out, then the file part whole.
        const QString tail = kLeftOut + name.mid(fileStart - 1);
        for (qsizetype kept = fileStart - 2; kept > 0; --kept) {
            if (!isSeparator(name[kept])) continue;
            const QString shortened = name.left(kept + 1) + tail;
            if (metrics.horizontalAdvance(shortened) <= room) return shortened;
        }
        if (metrics.horizontalAdvance(tail) <= room) return tail;
    }
    return metrics.elidedText(name, Qt::ElideMiddle, room);
}

void StoredNameDelegate::initStyleOption(QStyleOptionViewItem* option,
                                         const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const int room = option->rect.width() - kCellPadding / 2;
    option->text = elidedStoredName(option->text, option->fontMetrics, room);
}

}  // namespace kelvane
