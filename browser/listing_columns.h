#pragma once

#include <QStyledItemDelegate>

class QFontMetrics;
class QTableView;

namespace kelvane {

class CatalogueModel;

// How much larger than the classic 8-point interface font, whose lines are 13 pixels high,
// the font in use is (never less than 1): the grids scale their column widths by it.
double interfaceScale(const QFontMetrics& metrics);

// Gives the listing's columns widths that show their usual texts whole for the font in use
// (a date late in the day, a six-digit number) and lets the name column take the width
// left; returns the width the listing needs to show every column whole.
int sizeListingColumns(QTableView& grid, const CatalogueModel& model);

// Draws stored names that do not fit by leaving out the folders nearest the file part, so
// that the file part stays whole: "LEVEL0\…\FILE.TXT".
class StoredNameDelegate : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

// The stored name shortened to `room` pixels as the delegate draws it.
QString elidedStoredName(const QString& name, const QFontMetrics& metrics, int room);

}  // namespace kelvane
