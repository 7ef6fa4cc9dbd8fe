#include "decoders/FichierBGR.h"

#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

#include "decoders/object_file.h"
#include "platform/cp1252.h"
#include "viewers/MemoSearch.h"
#include "viewers/viewer_language.h"

namespace kelvane {

char decimalSeparatorOf(const QLocale& locale) {
    const QString point = locale.decimalPoint();
    const std::string byte = utf8ToCp1252(point.toStdString());
    if (byte.size() == 1 && QString::fromStdString(cp1252ToUtf8(byte)) == point) return byte[0];
    return '.';
}

TformBGR::TformBGR(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("formBGR"));
    setWindowTitle(QStringLiteral("Fichier Objet"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setSizeGripEnabled(true);

    auto* toolBar = new QToolBar(this);
    btnQuit = new QPushButton(QStringLiteral("Quitter"), toolBar);
    btnQuit->setObjectName(QStringLiteral("btnQuit"));
    btnQuit->setAutoDefault(false);
    auto* separator = new QWidget(toolBar);
    separator->setFixedWidth(100);
    Label1 = new QLabel(QStringLiteral("CTRL-F pour effectuer une recherche"), toolBar);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setStyleSheet(QStringLiteral(
        "QLabel { background-color: blue; color: yellow; font-weight: bold; padding: 2px 8px; }"));
    toolBar->addWidget(btnQuit);
    toolBar->addWidget(separator);
    toolBar->addWidget(Label1);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));

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

void TformBGR::Decode(const QString& path) {
    const std::vector<std::string> lines =
        readObjectFile(path.toStdString(), decimalSeparatorOf(QLocale()));
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += lines[i];
    }
    Memo->setPlainText(QString::fromStdString(cp1252ToUtf8(text)));
}

bool TformBGR::event(QEvent* event) {
    const bool result = QDialog::event(event);
    if (event->type() == QEvent::WindowActivate) FormActivate();
    return result;
}

void TformBGR::FormActivate() {
    applyViewerCaptions({{btnQuit, "Quitter", "Quit"},
                         {Label1, "CTRL-F pour effectuer une recherche", "CTRL-F to search word"}});
    Memo->setFocus();
}

}  // namespace kelvane
