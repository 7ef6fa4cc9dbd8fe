#pragma once

#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "archive/catalogue_entry.h"

class QAudioOutput;
class QLabel;
class QMediaPlayer;
class QPushButton;
class QTemporaryDir;

namespace kelvane {

// A Play / Stop button for a sound of an archive (its summary is the pane's caption). The
// sound is played from a temporary copy of the entry, written in a worker thread when Play is
// first pressed and removed when another sound comes or the page goes.
class SoundPage : public QWidget {
    Q_OBJECT

  public:
    explicit SoundPage(QWidget* parent = nullptr);
    ~SoundPage() override;

    // Stops what plays and takes the next sound: `entry` of the archive at `archivePath`
    // (UTF-8), read only when it is played.
    void setSound(std::string archivePath, CatalogueEntry entry);
    // Stops and forgets the sound and its copy.
    void clear();
    void setEnglish(bool english);

    QPushButton* playButton() const { return play_; }
    QMediaPlayer* player() const { return player_; }

  signals:
    // The copy of the sound is written and given to the player, or has failed.
    void copyFinished();

  private:
    void toggle();
    void startCopy();
    void finishCopy(std::uint64_t generation, const QString& path, std::exception_ptr failure);
    void updateButton();
    void reportError();

    QLabel* error_;
    QPushButton* play_;
    QMediaPlayer* player_;
    QAudioOutput* audio_;
    std::string archivePath_;
    CatalogueEntry entry_;
    bool hasSound_ = false;
    std::unique_ptr<QTemporaryDir> copies_;
    QString copy_;                  // the file the player has, once written
    std::uint64_t generation_ = 0;  // counts the sounds, so that a stale copy is dropped
    std::uint64_t copiesMade_ = 0;  // names each copy apart
    bool copying_ = false;          // the sound's copy is in the worker
    bool english_ = false;
};

}  // namespace kelvane
