#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

namespace kelvane {

// A picture fitted to the widget with its aspect ratio kept (never enlarged) and centred;
// the scaled copy is made once per size, not at each paint.
class PictureView : public QWidget {
    Q_OBJECT

  public:
    explicit PictureView(QWidget* parent = nullptr);

    void setImage(QImage image);
    const QImage& image() const { return image_; }
    // The size the picture is painted at, in device-independent pixels.
    QSize shownSize() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void rescale();

    QImage image_;
    QPixmap scaled_;
};

}  // namespace kelvane
