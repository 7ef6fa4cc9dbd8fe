#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <string>

class QAudioOutput;
class QLabel;
class QMediaPlayer;
class QPushButton;
class QTemporaryDir;

namespace kelvane {

// A sound's summary and a Play / Stop button. The sound is played from a temporary copy,
// written when Play is first pressed and removed when another sound comes or the page goes.
class SoundPage : public QWidget {
    Q_OBJECT

  public:
    explicit SoundPage(QWidget* parent = nullptr);
    ~SoundPage() override;

    // Stops what plays and takes the bytes of the next sound with its summary (UTF-8).
    void setSound(std::string bytes, const QString& summary);
    void setSummary(const QString& summary);
    // Stops and forgets the sound and its copy.
    void clear();
    void setEnglish(bool english);

    QPushButton* playButton() const { return play_; }
    QMediaPlayer* player() const { return player_; }

  private:
    void toggle();
    void updateButton();
    void reportError();

    QLabel* summary_;
    QLabel* error_;
    QPushButton* play_;
    QMediaPlayer* player_;
    QAudioOutput* audio_;
    std::string bytes_;
    std::unique_ptr<QTemporaryDir> copies_;
    QString copy_;  // the file the player has, once written
    bool english_ = false;
};

}  // namespace kelvane
