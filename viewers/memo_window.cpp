#include "viewers/memo_window.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolBar>

#include "viewers/MemoSearch.h"
#include "viewers/viewer_language.h"

namespace kelvane {

MemoWindow::MemoWindow(const QString& objectName, QWidget* parent)
    : ViewerWindow(objectName, parent) {
    Label1 = new QLabel(QStringLiteral("CTRL-F pour effectuer une recherche"), toolBar_);
    Label1->setObjectName(QStringLiteral("Label1"));
    toolBar_->addWidget(Label1);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    setContent(Memo);

    search_ = new TMemoSearch(this);
    search_->setHideAfterSearch(false);
    search_->setMemo(Memo);
    resize(600, 400);
}

void MemoWindow::FormActivate() {
    applyViewerCaptions({{btnQuit, "Quitter", "Quit"},
                         {Label1, "CTRL-F pour effectuer une recherche", "CTRL-F to search word"}});
    Memo->setFocus();
}

}  // namespace kelvane
