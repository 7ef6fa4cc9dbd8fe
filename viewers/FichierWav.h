#pragma once

#include <QDialog>
#include <QString>

class QAudioOutput;
class QMediaPlayer;
class QPushButton;
class QToolButton;
class QWidget;

namespace kelvane {

// The sound viewer: Quit and a player with Play, Pause and Stop. The file is opened when
// the window is shown and the player is closed whenever the window goes away.
class TformWAV : public QDialog {
    Q_OBJECT

  public:
    explicit TformWAV(QWidget* parent = nullptr);

    // Captions the window with `path`, the file played next time the window is shown.
    void setMediaFile(const QString& path);
    QString mediaFile() const { return fileName_; }
    QMediaPlayer* player() const { return player_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void openDevice();
    void closeDevice();
    void reportError();

    QPushButton* btnQuit;
    QWidget* MediaPlayer;
    QMediaPlayer* player_;
    QAudioOutput* audio_;
    QString fileName_;
};

}  // namespace kelvane
