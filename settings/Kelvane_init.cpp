#include "settings/Kelvane_init.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/desktop_services.h"
#include "settings/settings_file.h"

namespace kelvane {
namespace {

// One row of the dialog, in the order shown.
struct Row {
    const char* label;
    const char* edit;
    const char* button;
    std::size_t keyIndex;  // into kDirectoryKeys
};

constexpr std::array<Row, 7> kRows = {{
    {"Répertoire de Fly! (1 ou 2)", "edFly", "btnFly", 0},
    {"Répertoire de Raw2Bmp", "edRaw", "btnRaw", 4},
    {"Répertoire de PaintShop Pro", "edPSP", "btnPSP", 2},
    {"Répertoire de PhotoShop", "edPshop", "btnPshop", 3},
    {"Répertoire de travail", "edWork", "Button1", 1},
    {"Répertoire de ErViewer", "edEcw", "btnEcw", 5},
    {"Répertoire de Paint", "edPaint", "btnPaint", 6},
}};

}  // namespace

TForm_init::TForm_init(std::string iniPath, QWidget* parent)
    : QDialog(parent), iniPath_(std::move(iniPath)) {
    setObjectName(QStringLiteral("Form_init"));
    setWindowTitle(QStringLiteral("Initialisation répertoire"));

    auto* grid = new QGridLayout;
    for (std::size_t r = 0; r < kRows.size(); ++r) {
        const Row& row = kRows[r];
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromUtf8(row.edit));
        edit->setMinimumWidth(360);
        auto* button = new QPushButton(QStringLiteral("Rechercher"), this);
        button->setObjectName(QString::fromUtf8(row.button));
        auto* label = new QLabel(QString::fromUtf8(row.label), this);
        label->setBuddy(edit);
        const int line = static_cast<int>(r);
        grid->addWidget(label, line, 0);
        grid->addWidget(edit, line, 1);
        grid->addWidget(button, line, 2);
        edits_[row.keyIndex] = edit;
        connect(button, &QPushButton::clicked, this, [this, edit] { browseInto(edit); });
    }

    auto* save = new QPushButton(QStringLiteral("Enregistrer"), this);
    save->setObjectName(QStringLiteral("bntSave"));
    save->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Annuler"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    connect(save, &QPushButton::clicked, this, [this] { bntSaveClick(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
}

void TForm_init::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    guarded(this, [this] { FormActivate(); });
}

void TForm_init::FormActivate() {
    loadDirectorySettings(iniPath_, settings());
    for (std::size_t i = 0; i < kDirectoryKeys.size(); ++i) {
        edits_[i]->setText(QString::fromStdString(settings().*kDirectoryKeys[i].value));
    }
}

void TForm_init::browseInto(QLineEdit* edit) {
    guarded(this, [this, edit] {
        const QString title = settings().isEnglish() ? QStringLiteral("Select a directory")
                                                     : QStringLiteral("Choisissez un répertoire");
        // Unlike the extraction target, a settings directory may be made from the picker.
        QString chosen = desktop().existingDirectory(this, title, edit->text(),
                                                     DesktopServices::NewFolders::Offered);
        if (chosen.isEmpty()) return;
        if (!chosen.endsWith(QLatin1Char('/'))) chosen += QLatin1Char('/');
        edit->setText(chosen);
    });
}

void TForm_init::bntSaveClick() {
    guarded(this, [this] {
        Settings values;
        for (std::size_t i = 0; i < kDirectoryKeys.size(); ++i) {
            values.*kDirectoryKeys[i].value = edits_[i]->text().toStdString();
        }
        saveDirectorySettings(iniPath_, values);
        accept();
    });
}

}  // namespace kelvane
