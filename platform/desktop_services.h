#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class QDialog;
class QPoint;
class QTextDocument;
class QWidget;

namespace kelvane {

// Every message box, file or directory picker, print dialog, modal window and outside
// program goes through this seam, so that tests drive the windows without a person.
class DesktopServices {
  public:
    enum class MessageKind { Information, Warning, Error };
    enum class Answer { Yes, No, YesToAll, Closed };
    // Whether a directory picker lets the user make a new directory.
    enum class NewFolders { Offered, Refused };

    virtual ~DesktopServices() = default;

    // A message box with an OK button.
    virtual void showMessage(QWidget* parent, MessageKind kind, const QString& caption,
                             const QString& text) = 0;
    // A message box without push buttons, closed from its title bar.
    virtual void showButtonlessMessage(QWidget* parent, MessageKind kind, const QString& caption,
                                       const QString& text) = 0;
    // A confirmation with Yes, No and Yes to All whose top-left corner is at `topLeft`
    // (screen coordinates).
    virtual Answer askYesNoAll(QWidget* parent, const QString& caption, const QString& text,
                               const QPoint& topLeft) = 0;
    // A question with Yes and No; true for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& caption, const QString& text) = 0;

    // `filter` uses the "Description|*.A;*.B|Other|*.*" form. Empty result: cancelled.
    virtual QString openFileName(QWidget* parent, const QString& filter,
                                 const QString& initialDirectory) = 0;
    // Several existing files from one folder; empty result: cancelled.
    virtual QStringList openFileNames(QWidget* parent, const QString& filter,
                                      const QString& initialDirectory) = 0;
    // A file name to write, the user asked to confirm replacing an existing file. Empty
    // result: cancelled.
    virtual QString saveFileName(QWidget* parent, const QString& filter,
                                 const QString& initialDirectory) = 0;
    // Only existing directories can be chosen. Empty result: cancelled.
    virtual QString existingDirectory(QWidget* parent, const QString& title,
                                      const QString& initialDirectory, NewFolders newFolders) = 0;

    // Shows a window modally and returns its result code once it is closed.
    virtual int showModal(QDialog* window) = 0;

    // Starts an outside program without waiting; false when it cannot be started.
    // A Windows program (.exe) is started through wine when wine is on the PATH.
    virtual bool startProgram(const QString& program, const QStringList& arguments,
                              const QString& workingDirectory, bool hiddenWindow) = 0;
    // Runs an outside program and waits at most `timeoutMs` for it to finish; false when it
    // cannot be started or does not finish in time.
    virtual bool runProgram(const QString& program, const QStringList& arguments,
                            const QString& workingDirectory, int timeoutMs) = 0;

    // Shows the print dialog and, when the user confirms, prints `document` as one job.
    // Returns false when cancelled.
    virtual bool print(QWidget* parent, QTextDocument& document, const QString& jobTitle) = 0;
};

// The services in use: the Qt implementation in the program, a scripted one in tests.
DesktopServices& desktop();
void setDesktop(DesktopServices* services);

// Sets a window title that names a file or path: shown exactly as it stands, Qt's "[*]"
// marker for unsaved changes included.
void setLiteralTitle(QWidget* window, const QString& title);

// Runs a command reached from the event loop. An exception stops the command and its text
// is shown in an error box (the application's general error display); nothing escapes
// into Qt.
void guarded(QWidget* parent, const std::function<void()>& command);

}  // namespace kelvane
