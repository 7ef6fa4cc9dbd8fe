#pragma once

#include <QList>
#include <QSplitter>

namespace kelvane {

// Panes side by side whose handles show where to grab them, none of which can be dragged
// to nothing; a pane hidden and shown again comes back at the width it last had.
class PaneSplitter : public QSplitter {
    Q_OBJECT
  public:
    explicit PaneSplitter(QWidget* parent = nullptr);

    // Sets the panes' widths (none at zero); a pane hidden now gets its width when shown.
    void setPaneWidths(const QList<int>& widths);
    // The widths to keep between runs: a hidden pane counts at the width it will get back.
    QList<int> paneWidths() const;
    // Hides or shows a pane; shown, it takes its last width from its widest neighbour.
    void setPaneShown(int index, bool shown);

  protected:
    QSplitterHandle* createHandle() override;

  private:
    void rememberWidths();

    QList<int> widths_;  // the last width of each pane while it was shown
};

}  // namespace kelvane
