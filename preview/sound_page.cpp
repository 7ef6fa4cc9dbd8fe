#include "preview/sound_page.h"

#include <QAudioOutput>
#include <QFile>
#include <QLabel>
#include <QMediaPlayer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <QVBoxLayout>
#include <exception>

#include "platform/atomic_output_file.h"

namespace kelvane {

SoundPage::SoundPage(QWidget* parent) : QWidget(parent) {
    summary_ = new QLabel(this);
    summary_->setObjectName(QStringLiteral("PreviewSoundSummary"));
    summary_->setTextFormat(Qt::PlainText);
    error_ = new QLabel(this);
    error_->setObjectName(QStringLiteral("PreviewSoundError"));
    error_->setTextFormat(Qt::PlainText);
    error_->setWordWrap(true);
    play_ = new QPushButton(this);
    play_->setObjectName(QStringLiteral("PreviewPlay"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(play_, 0, Qt::AlignLeft);
    layout->addWidget(error_);
    layout->addStretch();

    player_ = new QMediaPlayer(this);
    audio_ = new QAudioOutput(this);
    player_->setAudioOutput(audio_);
    connect(play_, &QPushButton::clicked, this, &SoundPage::toggle);
    connect(player_, &QMediaPlayer::playbackStateChanged, this, &SoundPage::updateButton);
    connect(player_, &QMediaPlayer::errorOccurred, this, &SoundPage::reportError);
    updateButton();
}

SoundPage::~SoundPage() {
    // The player lets go of the copy before its folder is removed.
    player_->stop();
    player_->setSource(QUrl());
}

void SoundPage::setSound(std::string bytes, const QString& summary) {
    clear();
    bytes_ = std::move(bytes);
    setSummary(summary);
}

void SoundPage::setSummary(const QString& summary) {
    summary_->setText(summary);
}

void SoundPage::clear() {
    player_->stop();
    player_->setSource(QUrl());
    if (!copy_.isEmpty()) QFile::remove(copy_);
    copy_.clear();
    bytes_.clear();
    error_->clear();
    updateButton();
}

void SoundPage::setEnglish(bool english) {
    english_ = english;
    updateButton();
}

void SoundPage::toggle() {
    if (player_->playbackState() == QMediaPlayer::PlayingState) {
        player_->stop();
        return;
    }
    if (copy_.isEmpty()) {
        if (!copies_) copies_ = std::make_unique<QTemporaryDir>();
        const QString path = copies_->filePath(QStringLiteral("preview.wav"));
        try {
            AtomicOutputFile copy(path.toStdString());
            copy.write(bytes_.data(), bytes_.size());
            copy.commit();
        } catch (const std::exception& e) {
            error_->setText(QString::fromStdString(e.what()));
            return;
        }
        copy_ = path;
        player_->setSource(QUrl::fromLocalFile(copy_));
    }
    error_->clear();
    player_->play();
}

void SoundPage::updateButton() {
    const bool playing = player_->playbackState() == QMediaPlayer::PlayingState;
    if (playing) {
        play_->setText(english_ ? QStringLiteral("Stop") : QStringLiteral("Arrêter"));
    } else {
        play_->setText(english_ ? QStringLiteral("Play") : QStringLiteral("Lire"));
    }
}

void SoundPage::reportError() {
    // The pane stays quiet: the player's reason shows under the button.
    error_->setText(player_->errorString());
}

}  // namespace kelvane
