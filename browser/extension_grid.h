#pragma once

#include <QTableWidget>
#include <vector>

#include "settings/extension_table.h"

namespace kelvane {

// The read-only grid of known extensions: the table's first line is its header row, its first
// column is drawn like a header column, and rows are tall enough for two wrapped lines.
class ExtensionGrid : public QTableWidget {
    Q_OBJECT
  public:
    // `scale` enlarges the classic column widths for larger interface fonts.
    ExtensionGrid(double scale, QWidget* parent);

    // Replaces the contents with `rows` (Windows-1252 fields); the grid widens to the longest
    // line and never narrows.
    void showTable(const std::vector<TableRow>& rows);
};

}  // namespace kelvane
