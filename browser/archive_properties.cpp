#include "browser/archive_properties.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "archive/archive_details.h"
#include "browser/archive_property_rows.h"
#include "platform/cp1252.h"
#include "settings/settings.h"

namespace kelvane {
namespace {

struct AuditColumn {
    const char* french;
    const char* english;
};

constexpr AuditColumn kAuditColumns[] = {
    {"Date", "Time"},
    {"Utilisateur", "User"},
    {"Action", "Action"},
    {"Chemin stocké", "Stored path"},
    {"Ancienne date", "Old time"},
    {"Ancienne taille", "Old size"},
    {"Nouvelle date", "New time"},
    {"Nouvelle taille", "New size"},
};
constexpr int kAuditColumnCount = int(std::size(kAuditColumns));

QString text(const char* french, const char* english) {
    return QString::fromUtf8(settings().isEnglish() ? english : french);
}

QLabel* plainLabel(const QString& content, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);  // archive texts are never markup
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setText(content);
    return label;
}

QTableWidget* auditTable(const std::vector<AuditRecord>& records,
                         const std::function<QString(std::uint32_t)>& dateText, QWidget* parent) {
    auto* table = new QTableWidget(int(records.size()), kAuditColumnCount, parent);
    table->setObjectName(QStringLiteral("sgAudit"));
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
    QStringList headers;
    for (const AuditColumn& column : kAuditColumns) headers << text(column.french, column.english);
    table->setHorizontalHeaderLabels(headers);
    // A time of 0 stands for none (an added file has no old version).
    const auto time = [&](std::uint32_t value) { return value == 0 ? QString() : dateText(value); };
    const bool english = settings().isEnglish();
    for (int row = 0; row < int(records.size()); ++row) {
        const AuditRecord& record = records[std::size_t(row)];
        const QString cells[kAuditColumnCount] = {
            time(record.time),
            QString::fromStdString(cp1252ToUtf8(record.user)),
            QString::fromStdString(auditActionText(record.action, english)),
            QString::fromStdString(cp1252ToUtf8(record.path)),
            time(record.oldTime),
            QString::number(record.oldSize),
            time(record.newTime),
            QString::number(record.newSize),
        };
        for (int column = 0; column < kAuditColumnCount; ++column) {
            table->setItem(row, column, new QTableWidgetItem(cells[column]));
        }
    }
    table->resizeColumnsToContents();
    return table;
}

}  // namespace

ArchiveProperties::ArchiveProperties(const TPOD& archive,
                                     const std::function<QString(std::uint32_t)>& dateText,
                                     QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("ArchiveProperties"));
    setWindowTitle(text("Propriétés de l'archive", "Archive properties"));

    auto* fields = new QFormLayout;
    fields->setObjectName(QStringLiteral("PropertyFields"));
    for (const PropertyRow& row : propertyRows(archiveDetails(archive))) {
        fields->addRow(plainLabel(text(row.french, row.english), this),
                       plainLabel(QString::fromStdString(row.value), this));
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(plainLabel(text("Audit", "Audit trail"), this));
    layout->addWidget(auditTable(auditTrail(archive), dateText, this), 1);
    layout->addWidget(buttons);
    resize(940, 560);
}

}  // namespace kelvane
