#pragma once

#include <QElapsedTimer>
#include <QProgressDialog>

namespace kelvane {

// The progress box of a long command (extraction, verification): window-modal, shown only
// once the command has run a short while, with a cancel button in the interface language.
class CommandProgress {
  public:
    // Milliseconds a command runs before its progress shows.
    static int showDelayMs;

    CommandProgress(QWidget* parent, const char* objectName, const QString& label, int maximum);
    CommandProgress(const CommandProgress&) = delete;
    CommandProgress& operator=(const CommandProgress&) = delete;
    ~CommandProgress();

    // Shows `done` (events go through while the box is up); false once the user cancelled.
    // May be called again with the same value during a long step.
    bool advance(int done);

  private:
    QProgressDialog dialog_;
    QElapsedTimer started_;
};

}  // namespace kelvane
