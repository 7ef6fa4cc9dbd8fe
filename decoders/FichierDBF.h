#pragma once

#include "viewers/viewer_window.h"

class QTableView;

namespace kelvane {

class DbfTableModel;

// The DBF viewer: Quit, and a grid with one column per field and one row per record, every
// value as raw text. Cells can be edited; nothing is saved.
class TformDBF : public ViewerWindow {
    Q_OBJECT

  public:
    explicit TformDBF(QWidget* parent = nullptr);

    // Shows the table of the file at `path`. A file that cannot be read throws and leaves
    // the grid as it was.
    void Read(const QString& path);

    QTableView* grid() const { return gridDBF; }

  protected:
    void FormActivate() override;

  private:
    QTableView* gridDBF;
    DbfTableModel* model_;
};

}  // namespace kelvane
