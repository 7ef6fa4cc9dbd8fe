#pragma once

#include <QDialog>

class QPushButton;
class QToolBar;

namespace kelvane {

// A viewer window: a tool bar that starts with Quit (closes with OK) over one content widget
// filling the rest. On activation each window applies its English captions and places the
// focus (FormActivate).
class ViewerWindow : public QDialog {
    Q_OBJECT

  protected:
    ViewerWindow(const QString& objectName, QWidget* parent);

    // Puts `content` under the tool bar.
    void setContent(QWidget* content);
    bool event(QEvent* event) override;
    virtual void FormActivate() = 0;

    QToolBar* toolBar_;
    QPushButton* btnQuit;
};

}  // namespace kelvane
