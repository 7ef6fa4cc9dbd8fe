#include "viewers/memo_window.h"

#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

#include "viewers/MemoSearch.h"
#include "viewers/viewer_language.h"

namespace kelvane {

MemoWindow::MemoWindow(const QString& objectName, QWidget* parent) : QDialog(parent) {
    setObjectName(objectName);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setSizeGripEnabled(true);

    toolBar_ = new QToolBar(this);
    btnQuit = new QPushButton(QStringLiteral("Quitter"), toolBar_);
    btnQuit->setObjectName(QStringLiteral("btnQuit"));
    btnQuit->setAutoDefault(false);
    Label1 = new QLabel(QStringLiteral("CTRL-F pour effectuer une recherche"), toolBar_);
    Label1->setObjectName(QStringLiteral("Label1"));
    toolBar_->addWidget(btnQuit);
    toolBar_->addWidget(Label1);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addWidget(Memo, 1);

    search_ = new TMemoSearch(this);
    search_->setHideAfterSearch(false);
    search_->setMemo(Memo);

    connect(btnQuit, &QPushButton::clicked, this, &QDialog::accept);
    resize(600, 400);
}

bool MemoWindow::event(QEvent* event) {
    const bool result = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return result;
}

void MemoWindow::FormActivate() {
    applyViewerCaptions({{btnQuit, "Quitter", "Quit"},
                         {Label1, "CTRL-F pour effectuer une recherche", "CTRL-F to search word"}});
    Memo->setFocus();
}

}  // namespace kelvane
