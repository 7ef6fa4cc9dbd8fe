#include "browser/listing_view.h"

#include <QDrag>
#include <QPointer>

#include "browser/entry_drag.h"

namespace kelvane {

void ListingView::startDrag(Qt::DropActions supportedActions) {
    QModelIndexList dragged;
    for (const QModelIndex& index : selectedIndexes())
        if (model()->flags(index) & Qt::ItemIsDragEnabled) dragged << index;
    if (dragged.isEmpty()) return;
    QMimeData* data = model()->mimeData(dragged);
    if (data == nullptr) return;
    // The drag owns the data, and Qt deletes the drag once it has ended.
    QPointer<QDrag> drag = new QDrag(this);
    drag->setMimeData(data);
    const Qt::DropAction done = drag->exec(supportedActions, Qt::CopyAction);
    if (drag == nullptr) return;
    if (done == Qt::IgnoreAction)
        if (auto* entries = dynamic_cast<EntryDragData*>(drag->mimeData())) entries->discard();
}

}  // namespace kelvane
