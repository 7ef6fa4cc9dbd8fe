#include "browser/pane_splitter.h"

#include <QPainter>
#include <QSplitterHandle>
#include <algorithm>

namespace kelvane {
namespace {

// A pane that never had a width, or an unknown one, gets this when shown.
constexpr int kShownPaneWidth = 320;
constexpr int kHandleWidth = 7;

// A handle drawn as a groove with a grip of three dots in its middle.
class GripHandle : public QSplitterHandle {
  public:
    using QSplitterHandle::QSplitterHandle;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const QColor line = palette().color(QPalette::Mid);
        const bool across = orientation() == Qt::Horizontal;
        const int middle = (across ? width() : height()) / 2;
        painter.setPen(line);
        if (across) {
            painter.drawLine(middle, 0, middle, height());
        } else {
            painter.drawLine(0, middle, width(), middle);
        }
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().color(QPalette::Dark));
        const int centre = (across ? height() : width()) / 2;
        for (int dot = -1; dot <= 1; ++dot) {
            const int along = centre + dot * 6;
            const QRect grip =
                across ? QRect(middle - 1, along - 1, 3, 3) : QRect(along - 1, middle - 1, 3, 3);
            painter.drawEllipse(grip);
        }
    }
};

}  // namespace

PaneSplitter::PaneSplitter(QWidget* parent) : QSplitter(Qt::Horizontal, parent) {
    setHandleWidth(kHandleWidth);
    setChildrenCollapsible(false);
    connect(this, &QSplitter::splitterMoved, this, [this] { rememberWidths(); });
}

QSplitterHandle* PaneSplitter::createHandle() {
    return new GripHandle(orientation(), this);
}

void PaneSplitter::rememberWidths() {
    // Until the window is shown, the widths are not laid out yet: those set are kept.
    if (!isVisible()) return;
    const QList<int> now = sizes();
    widths_.resize(now.size());
    for (int pane = 0; pane < now.size(); ++pane)
        if (!widget(pane)->isHidden() && now[pane] > 0) widths_[pane] = now[pane];
}

void PaneSplitter::setPaneWidths(const QList<int>& widths) {
    widths_ = widths;
    setSizes(widths);
}

QList<int> PaneSplitter::paneWidths() const {
    QList<int> widths = sizes();
    for (int pane = 0; pane < widths.size(); ++pane) {
        if (!widget(pane)->isHidden()) continue;
        widths[pane] = pane < widths_.size() ? widths_[pane] : 0;
    }
    return widths;
}

void PaneSplitter::setPaneShown(int index, bool shown) {
    if (!shown) {
        rememberWidths();
        widget(index)->hide();
        return;
    }
    widget(index)->show();
    QList<int> now = sizes();
    const int kept = index < widths_.size() ? widths_[index] : 0;
    const int wanted = kept > 0 ? kept : kShownPaneWidth;
    if (now[index] == wanted) return;
    // The widest other pane gives up what the shown one needs, keeping some width itself.
    int widest = -1;
    for (int pane = 0; pane < now.size(); ++pane)
        if (pane != index && !widget(pane)->isHidden() && (widest < 0 || now[pane] > now[widest]))
            widest = pane;
    if (widest < 0) return;
    const int given = std::min(wanted - now[index], now[widest] - kShownPaneWidth / 2);
    if (given <= 0) return;
    now[index] += given;
    now[widest] -= given;
    setSizes(now);
    rememberWidths();
}

}  // namespace kelvane
