#include "decoders/FichierKEY.h"

#include <QFontDatabase>
#include <QPushButton>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <stdexcept>

#include "decoders/key_file.h"
#include "platform/cp1252.h"
#include "platform/desktop_services.h"
#include "viewers/MemoSearch.h"
#include "viewers/viewer_language.h"

namespace kelvane {
namespace {

QTextCharFormat lineFormat(KeyLine::Style style) {
    QTextCharFormat format;
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (style == KeyLine::SetHeading) {
        font.setPointSize(16);
        font.setBold(true);
        format.setForeground(Qt::blue);
    } else {
        font.setPointSize(10);
        format.setForeground(Qt::black);
    }
    format.setFont(font);
    return format;
}

}  // namespace

// Lines of one style go in as one piece of text.
void fillKeyListing(QTextDocument& document, const std::vector<KeyLine>& lines) {
    const QTextCharFormat heading = lineFormat(KeyLine::SetHeading);
    const QTextCharFormat entry = lineFormat(KeyLine::KeyEntry);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (std::size_t first = 0; first < lines.size();) {
        const KeyLine::Style style = lines[first].style;
        std::string run;
        std::size_t end = first;
        for (; end < lines.size() && lines[end].style == style; ++end) {
            if (end > first) run += '\n';
            run += lines[end].text;
        }
        const QTextCharFormat& format = style == KeyLine::SetHeading ? heading : entry;
        if (first > 0) cursor.insertBlock(QTextBlockFormat(), format);
        cursor.setBlockCharFormat(format);
        cursor.insertText(QString::fromStdString(cp1252ToUtf8(run)), format);
        first = end;
    }
    cursor.endEditBlock();
}

TformKey::TformKey(QWidget* parent) : ViewerWindow(QStringLiteral("formKey"), parent) {
    setWindowTitle(QStringLiteral("Fichier *.key"));
    tbPrint = new QToolButton(toolBar_);
    tbPrint->setObjectName(QStringLiteral("tbPrint"));
    tbPrint->setText(QStringLiteral("Imprimer"));
    toolBar_->addWidget(tbPrint);

    reListe = new QTextEdit(this);
    reListe->setObjectName(QStringLiteral("reListe"));
    reListe->setAcceptRichText(false);
    reListe->setLineWrapMode(QTextEdit::NoWrap);
    reListe->setFont(lineFormat(KeyLine::KeyEntry).font());

    setContent(reListe);

    search_ = new TMemoSearch(this);
    search_->setHideAfterSearch(false);
    search_->setMemo(reListe);

    connect(tbPrint, &QToolButton::clicked, this, &TformKey::tbPrintClick);
    resize(640, 480);
}

void TformKey::Openkey(const QString& path) {
    const KeyListing listing = readKeyFile(path.toStdString());
    // Hidden while it fills, so that it is not redrawn line by line.
    reListe->hide();
    reListe->clear();
    reListe->setUndoRedoEnabled(false);
    fillKeyListing(*reListe->document(), listing.lines);
    reListe->setUndoRedoEnabled(true);
    reListe->moveCursor(QTextCursor::Start);
    reListe->show();
    if (!listing.error.empty()) throw std::runtime_error(cp1252ToUtf8(listing.error));
}

void TformKey::tbPrintClick() {
    guarded(this, [&] { desktop().print(this, *reListe->document(), QStringLiteral("Key code")); });
}

void TformKey::FormActivate() {
    applyViewerCaptions({{btnQuit, "Quitter", "Quit"}, {tbPrint, "Imprimer", "Print"}});
    reListe->setFocus();
}

}  // namespace kelvane
