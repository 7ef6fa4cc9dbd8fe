#include "decoders/FichierBGR.h"

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QToolBar>

#include "decoders/object_file.h"
#include "platform/cp1252.h"

namespace kelvane {

char decimalSeparatorOf(const QLocale& locale) {
    const QString point = locale.decimalPoint();
    const std::string byte = utf8ToCp1252(point.toStdString());
    if (byte.size() == 1 && QString::fromStdString(cp1252ToUtf8(byte)) == point) return byte[0];
    return '.';
}

TformBGR::TformBGR(QWidget* parent) : MemoWindow(QStringLiteral("formBGR"), parent) {
    setWindowTitle(QStringLiteral("Fichier Objet"));
    // A 100-pixel gap, then the hint as a centred bold yellow-on-blue label.
    auto* gap = new QWidget(toolBar_);
    gap->setFixedWidth(100);
    toolBar_->insertWidget(toolBar_->actions().constLast(), gap);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setStyleSheet(QStringLiteral(
        "QLabel { background-color: blue; color: yellow; font-weight: bold; padding: 2px 8px; }"));
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

}  // namespace kelvane
