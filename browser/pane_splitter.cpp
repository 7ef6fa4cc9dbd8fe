#include "browser/pane_splitter.h"

#include <QPainter>
#include <QSplitterHandle>
#include <algorithm>

namespace kelvane {
namespace {

// A pane that never had a width, or an unknown one, gets this when shown.
constexpr int kShownPaneWidth = 320;
constexpr int kHandleWidth = 7;

// A handle drawn as a grip of five dots in its middle, so that it can be found at a glance.
class GripHandle : public QSplitterHandle {
  public:
    using QSplitterHandle::QSplitterHandle;

  protected:
    void paintEvent(QPaintEvent*) override {
        constexpr int kDot = 4, kStep = 8;
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(palette().color(QPalette::Dark));
        const bool across = orientation() == Qt::Horizontal;
        const int middle = (across ? width() : height()) / 2 - kDot / 2;
        const int centre = (across ? height() : width()) / 2 - kDot / 2;
        for (int dot = -2; dot <= 2; ++dot) {
            const int along = centre + dot * kStep;
            painter.drawEllipse(across ? QRect(middle, along, kDot, kDot)
                                       : QRect(along, middle, kDot, kDot));
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
    // A pane kept at no width (as older settings files may say) gets one back.
    widths_ = widths;
    for (int& width : widths_)
        if (width <= 0) width = kShownPaneWidth;
    setSizes(widths_);
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
