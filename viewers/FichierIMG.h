#pragma once

#include <QDialog>
#include <memory>

#include "imaging/graphic.h"

class QLabel;
class QPushButton;
class QStatusBar;

namespace kelvane {

// The picture viewer: Quit, Save as PNG (the whole picture), a 256 x 256 view of the picture's
// centre (never stretched) and a status bar with the picture's size.
class TformIMG : public QDialog {
    Q_OBJECT

  public:
    static constexpr int kViewSize = 256;

    explicit TformIMG(QWidget* parent = nullptr);

    // Captions the window with `path` and loads the picture, through the image format
    // registry or else the generic loader by extension. Throws when the file cannot be
    // opened or decoded, with the text of the interface language; the window then keeps its
    // previous picture.
    void load(const QString& path);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void saveAsPng();

    QPushButton* btnQuit;
    QPushButton* btnSavePng_;
    QLabel* Image;
    QStatusBar* StatusBar;
    QLabel* sizePanel_;
    QString path_;                      // the file shown
    std::unique_ptr<Graphic> picture_;  // its picture, whole
};

}  // namespace kelvane
