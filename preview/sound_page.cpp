#include "preview/sound_page.h"

#include <QAudioOutput>
#include <QFile>
#include <QFutureWatcher>
#include <QLabel>
#include <QMediaPlayer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>

#include "platform/bilingual_error.h"
#include "preview/preview_content.h"

namespace kelvane {

SoundPage::SoundPage(QWidget* parent) : QWidget(parent) {
    error_ = new QLabel(this);
    error_->setObjectName(QStringLiteral("PreviewSoundError"));
    error_->setTextFormat(Qt::PlainText);
    error_->setWordWrap(true);
    play_ = new QPushButton(this);
    play_->setObjectName(QStringLiteral("PreviewPlay"));

    auto* layout = new QVBoxLayout(this);
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
    // The player lets go of the copy, and the copies being written end, before their folder
    // is removed.
    player_->stop();
    player_->setSource(QUrl());
    for (auto* watcher : findChildren<QFutureWatcher<std::exception_ptr>*>())
        watcher->waitForFinished();
}

void SoundPage::setSound(std::string archivePath, CatalogueEntry entry) {
    clear();
    archivePath_ = std::move(archivePath);
    entry_ = std::move(entry);
    hasSound_ = true;
    updateButton();
}

void SoundPage::clear() {
    ++generation_;
    player_->stop();
    player_->setSource(QUrl());
    if (!copy_.isEmpty()) QFile::remove(copy_);
    copy_.clear();
    copying_ = false;
    hasSound_ = false;
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
    error_->clear();
    if (copy_.isEmpty()) {
        startCopy();
        return;
    }
    player_->play();
}

void SoundPage::startCopy() {
    if (!hasSound_) return;
    if (!copies_) copies_ = std::make_unique<QTemporaryDir>();
    const QString path = copies_->filePath(QStringLiteral("preview-%1.wav").arg(++copiesMade_));
    const std::uint64_t generation = generation_;
    copying_ = true;
    updateButton();
    auto* watcher = new QFutureWatcher<std::exception_ptr>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, generation, path] {
        watcher->deleteLater();
        finishCopy(generation, path, watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(
        [archivePath = archivePath_, entry = entry_, target = path.toStdString()] {
            try {
                writeEntryCopy(archivePath, entry, target);
            } catch (...) {
                return std::current_exception();
            }
            return std::exception_ptr();
        }));
}

void SoundPage::finishCopy(std::uint64_t generation, const QString& path,
                           std::exception_ptr failure) {
    if (generation != generation_) {
        QFile::remove(path);  // the sound it was for has gone
        return;
    }
    copying_ = false;
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::exception& e) {
            error_->setText(QString::fromStdString(textIn(e, english_)));
        }
    } else {
        copy_ = path;
        player_->setSource(QUrl::fromLocalFile(copy_));
        player_->play();
    }
    updateButton();
    emit copyFinished();
}

void SoundPage::updateButton() {
    const bool playing = player_->playbackState() == QMediaPlayer::PlayingState;
    if (playing) {
        play_->setText(english_ ? QStringLiteral("Stop") : QStringLiteral("Arrêter"));
    } else {
        play_->setText(english_ ? QStringLiteral("Play") : QStringLiteral("Lire"));
    }
    // While its copy is written, the sound cannot be asked for again.
    play_->setEnabled(!copying_);
}

void SoundPage::reportError() {
    // The pane stays quiet: the player's reason shows under the button.
    error_->setText(player_->errorString());
}

}  // namespace kelvane
