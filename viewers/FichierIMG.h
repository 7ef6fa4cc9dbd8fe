#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QStatusBar;

namespace kelvane {

// The picture viewer: Quit, a 256 x 256 view of the picture's centre (never stretched) and
// a status bar with the picture's size.
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
    QPushButton* btnQuit;
    QLabel* Image;
    QStatusBar* StatusBar;
    QLabel* sizePanel_;
};

}  // namespace kelvane
