#include "viewers/FichierIMG.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>

#include "imaging/ImageFormats.h"
#include "platform/desktop_services.h"
#include "viewers/png_saving.h"
#include "viewers/viewer_language.h"

namespace kelvane {
namespace {

// The busy cursor for as long as the scope lasts, however it is left.
class BusyCursor {
  public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

QLabel* statusPanel(QStatusBar* bar, int width) {
    auto* panel = new QLabel(bar);
    panel->setTextFormat(Qt::PlainText);
    panel->setFixedWidth(width);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    bar->addWidget(panel);
    return panel;
}

// The part of the picture the view shows: all of it, or its centre when it is larger.
QImage centralPart(const Rgba8Image& picture, int viewSize) {
    const QImage whole(picture.pixels.data(), static_cast<int>(picture.width),
                       static_cast<int>(picture.height), static_cast<int>(picture.width) * 4,
                       picture.hasAlpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
    const int width = std::min(whole.width(), viewSize);
    const int height = std::min(whole.height(), viewSize);
    return whole.copy((whole.width() - width) / 2, (whole.height() - height) / 2, width, height);
}

}  // namespace

TformIMG::TformIMG(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("formIMG"));
    setWindowTitle(QStringLiteral("Fichier Image"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    btnQuit = new QPushButton(QStringLiteral("Quitter"), panel);
    btnQuit->setObjectName(QStringLiteral("btnQuit"));
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(4, 4, 4, 4);
    btnSavePng_ = new QPushButton(panel);
    btnSavePng_->setObjectName(QStringLiteral("btnSavePng"));
    panelLayout->addWidget(btnQuit);
    panelLayout->addWidget(btnSavePng_);
    panelLayout->addStretch();

    Image = new QLabel(this);
    Image->setObjectName(QStringLiteral("Image"));
    Image->setFixedSize(kViewSize, kViewSize);
    Image->setAlignment(Qt::AlignCenter);

    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    StatusBar->setSizeGripEnabled(false);
    sizePanel_ = statusPanel(StatusBar, 100);
    statusPanel(StatusBar, 50);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel, 1);
    layout->addWidget(Image);
    layout->addWidget(StatusBar);
    setFixedSize(kViewSize, 308);

    connect(btnQuit, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnSavePng_, &QPushButton::clicked, this, &TformIMG::saveAsPng);
    applyViewerCaptions({{btnSavePng_, kSavePngFrench, kSavePngEnglish}});
}

void TformIMG::load(const QString& path) {
    setLiteralTitle(this, path);
    BusyCursor busy;
    std::unique_ptr<Graphic> picture;
    inViewerLanguage([&] { picture = LoadPicture(path.toStdString()); });
    const Rgba8Image pixels = picture->toRgba8();
    Image->setPixmap(QPixmap::fromImage(centralPart(pixels, kViewSize)));
    sizePanel_->setText(QString::asprintf("%d x %d", static_cast<int>(pixels.width),
                                          static_cast<int>(pixels.height)));
    path_ = path;
    picture_ = std::move(picture);
}

void TformIMG::saveAsPng() {
    guarded(this, [this] {
        if (picture_ != nullptr)
            inViewerLanguage([this] { savePictureAsPng(this, *picture_, path_); });
    });
}

void TformIMG::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    move(screen()->availableGeometry().center() - rect().center());
}

}  // namespace kelvane
