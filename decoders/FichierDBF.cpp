#include "decoders/FichierDBF.h"

#include <QFileInfo>
#include <QFont>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

#include "decoders/dbf_table_model.h"
#include "viewers/viewer_language.h"

namespace kelvane {

TformDBF::TformDBF(QWidget* parent) : ViewerWindow(QStringLiteral("formDBF"), parent) {
    setWindowTitle(QStringLiteral("Fichier *.DBF"));

    model_ = new DbfTableModel(this);
    gridDBF = new QTableView(this);
    gridDBF->setObjectName(QStringLiteral("gridDBF"));
    gridDBF->setModel(model_);
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    gridDBF->setFont(font);
    QPalette palette = gridDBF->palette();
    palette.setColor(QPalette::Text, Qt::blue);
    gridDBF->setPalette(palette);
    // Values are clipped at the cell's edge, as raw text: no wrapping, no ellipsis.
    gridDBF->setWordWrap(false);
    gridDBF->setTextElideMode(Qt::ElideNone);
    gridDBF->verticalHeader()->hide();
    gridDBF->verticalHeader()->setMinimumSectionSize(1);
    gridDBF->verticalHeader()->setDefaultSectionSize(21);
    gridDBF->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    gridDBF->horizontalHeader()->setDefaultSectionSize(100);
    gridDBF->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    gridDBF->horizontalHeader()->setHighlightSections(false);

    setContent(gridDBF);
    resize(640, 480);
}

void TformDBF::Read(const QString& path) {
    DbfTable table = readDbfTable(path.toStdString());
    // Every stored record takes at least its flag byte, so a count beyond the file's size
    // comes from a broken header; those rows would all be empty.
    const auto fileSize = static_cast<std::size_t>(QFileInfo(path).size());
    model_->setTable(std::move(table), fileSize);
    gridDBF->scrollToTop();
}

void TformDBF::FormActivate() {
    applyViewerCaptions({{btnQuit, "Quitter", "Quit"}});
}

}  // namespace kelvane
