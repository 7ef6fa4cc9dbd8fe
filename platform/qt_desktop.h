#pragma once

#include "platform/desktop_services.h"

namespace kelvane {

// "Description|*.A;*.B|Other|*.*" to Qt's "Description (*.A *.B);;Other (*.*)".
QString qtFileFilter(const QString& filter);

// The desktop services on real Qt dialogs and processes.
class QtDesktop : public DesktopServices {
  public:
    void showMessage(QWidget* parent, MessageKind kind, const QString& caption,
                     const QString& text) override;
    void showButtonlessMessage(QWidget* parent, MessageKind kind, const QString& caption,
                               const QString& text) override;
    Answer askYesNoAll(QWidget* parent, const QString& caption, const QString& text,
                       const QPoint& topLeft) override;
    QString openFileName(QWidget* parent, const QString& filter,
                         const QString& initialDirectory) override;
    QString existingDirectory(QWidget* parent, const QString& title,
                              const QString& initialDirectory) override;
    int showModal(QDialog* window) override;
    bool startProgram(const QString& program, const QStringList& arguments,
                      const QString& workingDirectory, bool hiddenWindow) override;
    bool runProgram(const QString& program, const QStringList& arguments,
                    const QString& workingDirectory, int timeoutMs) override;
    bool print(QWidget* parent, QTextDocument& document, const QString& jobTitle) override;
};

}  // namespace kelvane
