#pragma once

#include <QTableView>

namespace kelvane {

// The listing's grid. Rows dragged out are handed over as the model's data; a drag that
// ends without a drop takes back what a target asked for on the way.
class ListingView : public QTableView {
  public:
    using QTableView::QTableView;

  protected:
    void startDrag(Qt::DropActions supportedActions) override;
};

}  // namespace kelvane
