#include "viewers/FichierWav.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QMediaPlayer>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>
#include <QUrl>
#include <stdexcept>

#include "platform/desktop_services.h"
#include "settings/settings.h"

namespace kelvane {
namespace {

QToolButton* playerButton(QWidget* parent, const char* name, QStyle::StandardPixmap icon) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(QString::fromLatin1(name));
    button->setIcon(parent->style()->standardIcon(icon));
    button->setIconSize(QSize(16, 16));
    button->setFixedSize(28, 26);
    return button;
}

}  // namespace

TformWAV::TformWAV(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("formWAV"));
    setWindowTitle(QStringLiteral("Fichier Son"));

    btnQuit = new QPushButton(QStringLiteral("Quitter"), this);
    btnQuit->setObjectName(QStringLiteral("btnQuit"));

    MediaPlayer = new QWidget(this);
    MediaPlayer->setObjectName(QStringLiteral("MediaPlayer"));
    auto* play = playerButton(MediaPlayer, "Play", QStyle::SP_MediaPlay);
    auto* pause = playerButton(MediaPlayer, "Pause", QStyle::SP_MediaPause);
    auto* stop = playerButton(MediaPlayer, "Stop", QStyle::SP_MediaStop);
    auto* controls = new QHBoxLayout(MediaPlayer);
    controls->setContentsMargins(0, 0, 0, 0);
    controls->setSpacing(1);
    controls->addWidget(play);
    controls->addWidget(pause);
    controls->addWidget(stop);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(btnQuit);
    layout->addStretch();
    layout->addWidget(MediaPlayer);
    setFixedSize(264, 65);

    player_ = new QMediaPlayer(this);
    audio_ = new QAudioOutput(this);
    player_->setAudioOutput(audio_);

    connect(btnQuit, &QPushButton::clicked, this, &QDialog::accept);
    connect(play, &QToolButton::clicked, player_, &QMediaPlayer::play);
    connect(pause, &QToolButton::clicked, player_, &QMediaPlayer::pause);
    connect(stop, &QToolButton::clicked, player_, &QMediaPlayer::stop);
    connect(player_, &QMediaPlayer::errorOccurred, this, &TformWAV::reportError);
}

void TformWAV::setMediaFile(const QString& path) {
    fileName_ = path;
    setLiteralTitle(this, path);
}

void TformWAV::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    guarded(this, [this] { openDevice(); });
}

void TformWAV::hideEvent(QHideEvent* event) {
    // Every way out (Quit, Escape, the program) hides the window.
    if (!event->spontaneous()) closeDevice();
    QDialog::hideEvent(event);
}

void TformWAV::openDevice() {
    const QFileInfo file(fileName_);
    if (!file.isFile() || !file.isReadable()) {
        const std::string name = fileName_.toStdString();
        throw std::runtime_error(settings().isEnglish() ? "Cannot open file " + name
                                                        : "Impossible d'ouvrir le fichier " + name);
    }
    player_->setSource(QUrl::fromLocalFile(file.absoluteFilePath()));
}

void TformWAV::closeDevice() {
    player_->stop();
    player_->setSource(QUrl());
}

void TformWAV::reportError() {
    // The player reports later, from the event loop: its text goes to the general error
    // display like any failure of a command.
    const std::string text = player_->errorString().toStdString();
    guarded(this, [&] { throw std::runtime_error(text); });
}

}  // namespace kelvane
