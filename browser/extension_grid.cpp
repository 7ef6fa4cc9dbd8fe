#include "browser/extension_grid.h"

#include <QHeaderView>
#include <QTextDocument>
#include <algorithm>
#include <array>

#include "platform/cp1252.h"

namespace kelvane {
namespace {

constexpr std::array<int, 5> kColumnWidths = {30, 50, 100, 100, 272};
constexpr int kCentredColumns = 2;
constexpr int kRowHeight = 32;

QString cellText(const TableRow& row, std::size_t field) {
    return field < row.size() ? QString::fromStdString(cp1252ToUtf8(row[field])) : QString();
}

Qt::Alignment alignmentOf(int column) {
    return (column < kCentredColumns ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter;
}

}  // namespace

ExtensionGrid::ExtensionGrid(double scale, QWidget* parent)
    : QTableWidget(0, int(kColumnWidths.size()), parent) {
    setObjectName(QStringLiteral("Extension"));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(true);
    setTextElideMode(Qt::ElideNone);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(int(kRowHeight * scale));
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    // The header row wraps like the others, at the same height.
    horizontalHeader()->setDefaultAlignment(Qt::Alignment(Qt::AlignCenter | Qt::TextWordWrap));
    horizontalHeader()->setFixedHeight(int(kRowHeight * scale));
    // Empty until the table is read, rather than numbered.
    setHorizontalHeaderLabels(QStringList(int(kColumnWidths.size()), QString()));
    for (int column = 0; column < int(kColumnWidths.size()); ++column) {
        setColumnWidth(column, int(kColumnWidths[std::size_t(column)] * scale));
    }
}

void ExtensionGrid::showTable(const std::vector<TableRow>& rows) {
    std::size_t widest = std::size_t(columnCount());
    for (const TableRow& row : rows) widest = std::max(widest, row.size());
    setColumnCount(int(widest));
    setRowCount(rows.empty() ? 0 : int(rows.size() - 1));

    QStringList header;
    for (std::size_t field = 0; field < widest; ++field) {
        header << (rows.empty() ? QString() : cellText(rows.front(), field));
    }
    setHorizontalHeaderLabels(header);

    const QBrush fixedColour = palette().button();
    for (std::size_t line = 1; line < rows.size(); ++line) {
        for (std::size_t field = 0; field < widest; ++field) {
            auto* item = new QTableWidgetItem(cellText(rows[line], field));
            item->setFlags(Qt::ItemIsEnabled);
            item->setTextAlignment(alignmentOf(int(field)));
            // The whole text, should the cell cut it; a tip would take "<b>" for markup.
            item->setToolTip(Qt::convertFromPlainText(item->text()));
            if (field == 0) item->setBackground(fixedColour);
            setItem(int(line - 1), int(field), item);
        }
    }
}

}  // namespace kelvane
