#include "browser/verification_command.h"

#include <QCoreApplication>

#include "archive/verification.h"
#include "browser/command_progress.h"
#include "browser/verification_text.h"
#include "platform/desktop_services.h"
#include "settings/settings.h"

namespace kelvane {
namespace {

// The progress bar counts in thousandths: byte counts do not fit its int.
constexpr int kProgressSteps = 1000;

}  // namespace

void verifyArchiveCommand(QWidget* parent, const TPOD& archive) {
    VerificationReport report;
    {
        CommandProgress progress(parent, "VerificationProgress",
                                 settings().isEnglish()
                                     ? QStringLiteral("Verifying the archive...")
                                     : QStringLiteral("Vérification de l'archive..."),
                                 kProgressSteps);
        report = verifyArchive(archive, [&](std::int64_t done, std::int64_t total) {
            return progress.advance(total > 0 ? int(done * kProgressSteps / total) : 0);
        });
    }
    if (report.cancelled) return;
    desktop().showMessage(parent,
                          report.allHold() ? DesktopServices::MessageKind::Information
                                           : DesktopServices::MessageKind::Error,
                          QCoreApplication::applicationName(),
                          QString::fromStdString(verificationMessage(report)));
}

}  // namespace kelvane
