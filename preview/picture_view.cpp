#include "preview/picture_view.h"

#include <QPainter>

#include "preview/picture_fit.h"

namespace kelvane {

PictureView::PictureView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(16, 16);
}

void PictureView::setImage(QImage image) {
    image_ = std::move(image);
    scaled_ = QPixmap();
    rescale();
    update();
}

QSize PictureView::shownSize() const {
    return scaled_.isNull() ? QSize() : scaled_.deviceIndependentSize().toSize();
}

void PictureView::paintEvent(QPaintEvent*) {
    if (scaled_.isNull()) return;
    QPainter painter(this);
    const QSize shown = shownSize();
    painter.drawPixmap(
        QRect(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown),
        scaled_);
}

void PictureView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    rescale();
}

void PictureView::rescale() {
    if (image_.isNull()) {
        scaled_ = QPixmap();
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const PictureSize box{std::uint32_t(std::max(1.0, width() * ratio)),
                          std::uint32_t(std::max(1.0, height() * ratio))};
    const PictureSize fitted =
        fittedSize({std::uint32_t(image_.width()), std::uint32_t(image_.height())}, box);
    const QSize size(int(fitted.width), int(fitted.height));
    if (!scaled_.isNull() && scaled_.size() == size) return;
    scaled_ = QPixmap::fromImage(size == image_.size() ? image_
                                                       : image_.scaled(size, Qt::IgnoreAspectRatio,
                                                                       Qt::SmoothTransformation));
    scaled_.setDevicePixelRatio(ratio);
}

}  // namespace kelvane
