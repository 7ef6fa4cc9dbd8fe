#include <QFormLayout>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QTableWidget>
#include <QTimer>

#include "browser/catalogue_model.h"
#include "browser/catalogue_proxy.h"
#include "browser/command_progress.h"
#include "tests/browser/main_window_fixture.h"

namespace kelvane::test {
namespace {

using Kind = DesktopServices::MessageKind;

std::vector<StoredFile> files(int count) {
    std::vector<StoredFile> stored;
    for (int i = 1; i <= count; ++i) {
        stored.push_back({"DIR\\f" + std::to_string(i) + ".txt", std::string(64 * i, 'k'),
                          std::uint32_t(1000 * i)});
    }
    return stored;
}

class ArchiveCommandsTest : public MainWindowTest {
  protected:
    void openLayout(ArchiveLayout layout, const std::vector<StoredFile>& stored,
                    const ArchiveOptions& options = {}) {
        const std::string path =
            (dir.path() / ("a" + std::to_string(++archives) + ".POD")).string();
        writeArchive(path, layout, stored, options);
        open(path);
    }
    // Opens the properties dialog and returns its fields and audit rows, label: value.
    QStringList properties(QStringList* auditRows) {
        QStringList fields;
        desktop.onModal = [&](QDialog& dialog) {
            auto* form = dialog.findChild<QFormLayout*>("PropertyFields");
            for (int row = 0; row < form->rowCount(); ++row) {
                const auto text = [&](QFormLayout::ItemRole role) {
                    auto* label = qobject_cast<QLabel*>(form->itemAt(row, role)->widget());
                    EXPECT_EQ(label->textFormat(), Qt::PlainText);
                    return label->text();
                };
                fields << text(QFormLayout::LabelRole) + ": " + text(QFormLayout::FieldRole);
            }
            auto* audit = dialog.findChild<QTableWidget*>("sgAudit");
            for (int row = 0; row < audit->rowCount(); ++row) {
                QStringList cells;
                for (int column = 0; column < audit->columnCount(); ++column)
                    cells << audit->item(row, column)->text();
                *auditRows << cells.join('|');
            }
        };
        trigger("ProprietesdelarchivePODEPD1");
        desktop.onModal = nullptr;
        return fields;
    }
    int archives = 0;
};

TEST_F(ArchiveCommandsTest, VerifyEndsWithTheFailuresOrTheSummary) {
    ArchiveOptions bad;
    bad.badChecksums = true;
    struct Case {
        const char* name;
        ArchiveLayout layout;
        int count;
        ArchiveOptions options;
        Kind kind;
        std::vector<QString> expected;
        int listedFailures;
    };
    const std::vector<Case> cases = {
        {"sound POD3",
         ArchiveLayout::POD3,
         2,
         {},
         Kind::Information,
         {"Les 6 checksums sont justes (entrées : 2 sur leurs octets stockés",
          "\r\nAll 6 checksums hold"},
         0},
        {"bad POD3",
         ArchiveLayout::POD3,
         2,
         bad,
         Kind::Error,
         {"Le checksum de l'en-tête est faux", "\r\nHeader checksum mismatch",
          "Entrée 2 \"DIR\\f2.txt\" : checksum faux",
          "\r\nEntry 2 \"DIR\\f2.txt\": checksum mismatch",
          "\r\n\r\n6 checksums sur 6 sont faux.\r\n6 of 6 checksums fail."},
         6},
        {"many failures",
         ArchiveLayout::POD3,
         30,
         bad,
         Kind::Error,
         {"\r\n... et 14 autres.\r\n... and 14 more.\r\n\r\n34 checksums sur 34"},
         20},
        {"POD1",
         ArchiveLayout::POD1,
         2,
         {},
         Kind::Information,
         {"Les archives POD1 ne portent aucun checksum", "POD1 archives carry no checksums"},
         0},
        {"POD6",
         ArchiveLayout::POD6,
         2,
         {},
         Kind::Information,
         {"POD6 archives carry no checksums: 2 compressed entries inflated whole."},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        openLayout(c.layout, files(c.count), c.options);
        desktop.messages.clear();
        trigger("VerifierlarchivePODEPD1");
        ASSERT_EQ(desktop.messages.size(), 1u);
        const QString text = desktop.messages[0].text;
        EXPECT_EQ(desktop.messages[0].kind, c.kind);
        for (const QString& part : c.expected)
            EXPECT_TRUE(text.contains(part)) << text.toStdString();
        EXPECT_EQ(text.count(QRegularExpression(
                      "\r\n(Entry \\d+|Archive|Header|Directory|Dependency|Audit)")),
                  c.listedFailures);
    }
}

TEST_F(ArchiveCommandsTest, CancelledVerificationShowsNothingMore) {
    const QScopedValueRollback<int> atOnce(CommandProgress::showDelayMs, 0);
    openLayout(ArchiveLayout::POD3, files(40));
    QProgressDialog* shown = nullptr;
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        shown = window().findChild<QProgressDialog*>("VerificationProgress");
        if (shown != nullptr && shown->isVisible()) shown->cancel();
    });
    canceller.start(0);
    trigger("VerifierlarchivePODEPD1");
    ASSERT_NE(shown, nullptr);
    // Letting events through may warn about the extension table; no verification box follows.
    for (const auto& message : desktop.messages)
        EXPECT_FALSE(message.text.contains("checksum")) << message.text.toStdString();
    EXPECT_EQ(window().findChild<QProgressDialog*>("VerificationProgress"), nullptr);
}

TEST_F(ArchiveCommandsTest, PropertiesShowTheDetailsAndTheAuditTrail) {
    ArchiveOptions options;
    options.comment = "Pilote \xE9t\xE9 <b>bold</b>";  // Windows-1252 accents, never markup
    options.dependencies = 1;
    options.audit = {{"pilot", 0, 0, "x\\one.txt", 0, 0, 992606400, 1},
                     {"copilote", 992606400, 2, "x\\two.txt", 992606400, 5, 992610000, 7}};
    openLayout(ArchiveLayout::POD3, files(2), options);
    QStringList audit;
    const QStringList fields = properties(&audit);
    EXPECT_EQ(
        fields,
        (QStringList{"Format: POD3", "Étiquette: POD3", "Commentaire: Pilote été <b>bold</b>",
                     "Auteur: Kelvane tests", "Copyright: (c) nobody", "Révision: 3", "Priorité: 7",
                     "Version: ", "Archive suivante: ", "Entrées: 2", "Enregistrements d'audit: 2",
                     "Dépendances: 1", "Entrées compressées: 0"}));
    auto* model = window().findChild<CatalogueModel*>();
    const QString when = model->dateText(992606400), later = model->dateText(992610000);
    EXPECT_EQ(audit, (QStringList{"|pilot|ajout|x\\one.txt||0|" + when + "|1",
                                  when + "|copilote|modification|x\\two.txt|" + when + "|5|" +
                                      later + "|7"}));

    openLayout(ArchiveLayout::POD1, files(1));
    audit.clear();
    EXPECT_EQ(properties(&audit).mid(0, 3),
              (QStringList{"Format: POD1", "Étiquette: ", "Commentaire: Test archive"}));
    EXPECT_TRUE(audit.isEmpty());
}

TEST_F(ArchiveCommandsTest, CommandsWaitForAnArchive) {
    for (const char* action : {"VerifierlarchivePODEPD1", "ProprietesdelarchivePODEPD1"}) {
        EXPECT_FALSE(window().findChild<QAction*>(action)->isEnabled()) << action;
        trigger(action);
    }
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_TRUE(desktop.modalWindows.empty());
    openLayout(ArchiveLayout::POD, files(1));
    EXPECT_TRUE(window().findChild<QAction*>("VerifierlarchivePODEPD1")->isEnabled());
}

TEST_F(ArchiveCommandsTest, EntriesWithoutTimestampShowNoDateAndSortFirst) {
    openLayout(ArchiveLayout::POD1, files(2));
    EXPECT_EQ(column(kColDate), (QStringList{"", ""}));

    std::vector<CatalogueEntry> entries(3);
    entries[0].timestamp = 2000;
    entries[1].hasTimestamp = false;
    entries[1].timestamp = 5000;  // not a date: ignored
    entries[2].timestamp = 1000;
    for (int i = 0; i < 3; ++i) entries[std::size_t(i)].index = i;
    CatalogueModel model;
    model.setCatalogue(&entries, 0);
    CatalogueProxy proxy(&model);
    const auto numbers = [&] {
        QStringList shown;
        for (int row = 0; row < 3; ++row) shown << proxy.index(row, kColNumber).data().toString();
        return shown;
    };
    proxy.sort(kColDate, Qt::AscendingOrder);
    EXPECT_EQ(numbers(), (QStringList{"2", "3", "1"}));
    proxy.sort(kColDate, Qt::DescendingOrder);
    EXPECT_EQ(numbers(), (QStringList{"1", "3", "2"}));
    EXPECT_EQ(model.index(1, kColDate).data().toString(), "");
}

}  // namespace
}  // namespace kelvane::test
