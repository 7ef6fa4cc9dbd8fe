#include "tests/support/scripted_desktop.h"

#include <QCoreApplication>

namespace kelvane::test {
namespace {

template <typename T>
T takeFront(std::deque<T>& queue, T whenEmpty) {
    if (queue.empty()) return whenEmpty;
    T front = queue.front();
    queue.pop_front();
    return front;
}

}  // namespace

ScriptedDesktop::ScriptedDesktop() {
    setDesktop(this);
}

ScriptedDesktop::~ScriptedDesktop() {
    setDesktop(nullptr);
}

void ScriptedDesktop::showMessage(QWidget*, MessageKind kind, const QString& caption,
                                  const QString& text) {
    messages.push_back({kind, caption, text, false});
}

void ScriptedDesktop::showButtonlessMessage(QWidget*, MessageKind kind, const QString& caption,
                                            const QString& text) {
    messages.push_back({kind, caption, text, true});
}

DesktopServices::Answer ScriptedDesktop::askYesNoAll(QWidget*, const QString& caption,
                                                     const QString& text, const QPoint& topLeft) {
    messages.push_back({MessageKind::Information, caption, text, false});
    yesNoPositions.push_back(topLeft);
    return takeFront(yesNoAnswers, Answer::Closed);
}

bool ScriptedDesktop::askYesNo(QWidget*, const QString& caption, const QString& text) {
    messages.push_back({MessageKind::Information, caption, text, false});
    return takeFront(yesNoAnswers, Answer::Closed) == Answer::Yes;
}

QString ScriptedDesktop::openFileName(QWidget*, const QString& filter,
                                      const QString& initialDirectory) {
    openFileRequests.push_back({filter, initialDirectory});
    return takeFront(openFileAnswers, QString());
}

QStringList ScriptedDesktop::openFileNames(QWidget*, const QString& filter,
                                           const QString& initialDirectory) {
    openFileRequests.push_back({filter, initialDirectory});
    return takeFront(openFilesAnswers, QStringList());
}

QString ScriptedDesktop::saveFileName(QWidget*, const QString& filter,
                                      const QString& initialDirectory) {
    saveFileRequests.push_back({filter, initialDirectory});
    return takeFront(saveFileAnswers, QString());
}

QString ScriptedDesktop::existingDirectory(QWidget*, const QString& title,
                                           const QString& initialDirectory, NewFolders newFolders) {
    directoryRequests.push_back({title, initialDirectory, newFolders});
    return takeFront(directoryAnswers, QString());
}

int ScriptedDesktop::showModal(QDialog* window) {
    modalWindows.emplace_back(window);
    if (!onModal) return QDialog::Rejected;
    window->setResult(QDialog::Rejected);
    window->show();
    QCoreApplication::processEvents();
    onModal(*window);
    window->hide();
    return window->result();
}

bool ScriptedDesktop::startProgram(const QString& program, const QStringList& arguments,
                                   const QString& workingDirectory, bool) {
    programs.push_back({program, arguments, workingDirectory, false});
    return programsStart;
}

bool ScriptedDesktop::runProgram(const QString& program, const QStringList& arguments,
                                 const QString& workingDirectory, int) {
    programs.push_back({program, arguments, workingDirectory, true});
    if (programsStart && onRunProgram) onRunProgram(programs.back());
    return programsStart;
}

bool ScriptedDesktop::print(QWidget*, QTextDocument&, const QString& jobTitle) {
    printedJobs.push_back(jobTitle);
    return printAccepted;
}

}  // namespace kelvane::test
