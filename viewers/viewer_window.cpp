#include "viewers/viewer_window.h"

#include <QEvent>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

namespace kelvane {

ViewerWindow::ViewerWindow(const QString& objectName, QWidget* parent) : QDialog(parent) {
    setObjectName(objectName);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setSizeGripEnabled(true);

    toolBar_ = new QToolBar(this);
    btnQuit = new QPushButton(QStringLiteral("Quitter"), toolBar_);
    btnQuit->setObjectName(QStringLiteral("btnQuit"));
    btnQuit->setAutoDefault(false);
    toolBar_->addWidget(btnQuit);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);

    connect(btnQuit, &QPushButton::clicked, this, &QDialog::accept);
}

void ViewerWindow::setContent(QWidget* content) {
    static_cast<QBoxLayout*>(layout())->addWidget(content, 1);
}

bool ViewerWindow::event(QEvent* event) {
    const bool result = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return result;
}

}  // namespace kelvane
