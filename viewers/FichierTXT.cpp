#include "viewers/FichierTXT.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolBar>
#include <QVBoxLayout>

#include "viewers/MemoSearch.h"
#include "viewers/text_file.h"
#include "viewers/viewer_language.h"

namespace kelvane {

TformTXT::TformTXT(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("formTXT"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setSizeGripEnabled(true);

    auto* toolBar = new QToolBar(this);
    btnQuit = new QPushButton(QStringLiteral("Quitter"), toolBar);
    btnQuit->setObjectName(QStringLiteral("btnQuit"));
    btnQuit->setAutoDefault(false);
    Label1 = new QLabel(QStringLiteral("CTRL-F pour effectuer une recherche"), toolBar);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setContentsMargins(12, 0, 0, 0);
    toolBar->addWidget(btnQuit);
    toolBar->addWidget(Label1);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(Memo, 1);

    search_ = new TMemoSearch(this);
    search_->setHideAfterSearch(false);
    search_->setMemo(Memo);

    connect(btnQuit, &QPushButton::clicked, this, &QDialog::accept);
    resize(600, 400);
}

void TformTXT::loadFile(const QString& path) {
    setWindowTitle(path);
    Memo->setPlainText(QString::fromStdString(readTextLines(path.toStdString())));
}

bool TformTXT::event(QEvent* event) {
    if (event->type() == QEvent::Show) {
        // Centred on the owner, or on the screen without one.
        const QRect area = parentWidget() != nullptr ? parentWidget()->window()->frameGeometry()
                                                     : screen()->availableGeometry();
        move(area.center() - rect().center());
    }
    const bool result = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return result;
}

void TformTXT::FormActivate() {
    applyViewerCaptions({{btnQuit, "Quitter", "Quit"},
                         {Label1, "CTRL-F pour effectuer une recherche", "CTRL-F to search word"}});
    Memo->setFocus();
}

}  // namespace kelvane
