#pragma once

#include <QFileDialog>
#include <QMessageBox>
#include <memory>

#include "platform/desktop_services.h"

namespace kelvane {

// "Description|*.A;*.B|Other|*.*" to Qt's "Description (*.A *.B *.a *.b);;Other (*)": "*.*"
// stands for every file, with or without a dot.
QString qtFileFilter(const QString& filter);

// The boxes and the directory picker the services show, built but not yet shown. Texts are
// shown as they stand: a name holding "<b>" or "&" is never taken for markup.
std::unique_ptr<QMessageBox> messageBox(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& caption, const QString& text,
                                        QMessageBox::StandardButtons buttons);
std::unique_ptr<QDialog> buttonlessBox(QWidget* parent, DesktopServices::MessageKind kind,
                                       const QString& caption, const QString& text);
std::unique_ptr<QFileDialog> directoryDialog(QWidget* parent, const QString& title,
                                             const QString& initialDirectory,
                                             DesktopServices::NewFolders newFolders);

// The desktop services on real Qt dialogs and processes.
class QtDesktop : public DesktopServices {
  public:
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

}  // namespace kelvane
