#pragma once

#include <QDialog>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "platform/desktop_services.h"

namespace kelvane::test {

// Desktop services for tests: records what the windows ask for and answers from queues the
// test fills. An empty queue answers "cancelled". Installs itself while alive.
class ScriptedDesktop : public DesktopServices {
  public:
    struct Message {
        MessageKind kind;
        QString caption;
        QString text;
        bool buttonless = false;
    };
    struct Picker {
        QString titleOrFilter;  // directory picker title, or file dialog filter
        QString initialDirectory;
        NewFolders newFolders = NewFolders::Offered;  // directory pickers only
    };
    struct Program {
        QString program;
        QStringList arguments;
        QString workingDirectory;
        bool waited = false;  // runProgram rather than startProgram
    };

    ScriptedDesktop();
    ~ScriptedDesktop() override;

    // Answers, consumed in order.
    std::deque<QString> openFileAnswers;
    std::deque<QStringList> openFilesAnswers;
    std::deque<QString> saveFileAnswers;
    std::deque<QString> directoryAnswers;
    std::deque<Answer> yesNoAnswers;  // askYesNoAll, and askYesNo (Yes or not)
    bool programsStart = true;
    bool printAccepted = false;
    // Runs with the window shown and its result cleared; showModal then hides the window and
    // returns its result. Without it the window is only recorded.
    std::function<void(QDialog&)> onModal;
    // Runs in place of a waited outside program (to write what it would write).
    std::function<void(const Program&)> onRunProgram;

    // What was asked.
    std::vector<Message> messages;
    std::vector<Picker> openFileRequests;  // openFileName and openFileNames
    std::vector<Picker> saveFileRequests;
    std::vector<Picker> directoryRequests;
    std::vector<QPoint> yesNoPositions;
    std::vector<QPointer<QDialog>> modalWindows;
    std::vector<Program> programs;
    std::vector<QString> printedJobs;

    void showMessage(QWidget* parent, MessageKind kind, const QString& caption,
                     const QString& text) override;
    void showButtonlessMessage(QWidget* parent, MessageKind kind, const QString& caption,
                               const QString& text) override;
    Answer askYesNoAll(QWidget* parent, const QString& caption, const QString& text,
                       const QPoint& topLeft) override;
    bool askYesNo(QWidget* parent, const QString& caption, const QString& text) override;
    QString openFileName(QWidget* parent, const QString& filter,
                         const QString& initialDirectory) override;
    QStringList openFileNames(QWidget* parent, const QString& filter,
                              const QString& initialDirectory) override;
    QString saveFileName(QWidget* parent, const QString& filter,
                         const QString& initialDirectory) override;
    QString existingDirectory(QWidget* parent, const QString& title,
                              const QString& initialDirectory, NewFolders newFolders) override;
    int showModal(QDialog* window) override;
    bool startProgram(const QString& program, const QStringList& arguments,
                      const QString& workingDirectory, bool hiddenWindow) override;
    bool runProgram(const QString& program, const QStringList& arguments,
                    const QString& workingDirectory, int timeoutMs) override;
    bool print(QWidget* parent, QTextDocument& document, const QString& jobTitle) override;
};

}  // namespace kelvane::test
