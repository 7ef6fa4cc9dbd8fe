#include "viewers/FichierTXT.h"

#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>

#include "platform/desktop_services.h"
#include "viewers/text_file.h"

namespace kelvane {

TformTXT::TformTXT(QWidget* parent) : MemoWindow(QStringLiteral("formTXT"), parent) {
    Label1->setContentsMargins(12, 0, 0, 0);
    Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TformTXT::loadFile(const QString& path) {
    setLiteralTitle(this, path);
    Memo->setPlainText(QString::fromStdString(readTextLines(path.toStdString())));
}

bool TformTXT::event(QEvent* event) {
    if (event->type() == QEvent::Show) {
        // Centred on the owner, or on the screen without one.
        const QRect area = parentWidget() != nullptr ? parentWidget()->window()->frameGeometry()
                                                     : screen()->availableGeometry();
        move(area.center() - rect().center());
    }
    return MemoWindow::event(event);
}

}  // namespace kelvane
