#include "browser/archive_write_command.h"

#include <QCoreApplication>

#include "archive/archive_writer.h"
#include "browser/archive_editing_text.h"
#include "browser/command_progress.h"
#include "platform/desktop_services.h"
#include "settings/settings.h"

namespace kelvane {

bool writeArchiveCommand(QWidget* parent, const ArchivePlan& plan, const std::string& path) {
    CommandProgress progress(parent, "WriteProgress",
                             settings().isEnglish() ? QStringLiteral("Writing the archive...")
                                                    : QStringLiteral("Écriture de l'archive..."),
                             static_cast<int>(plan.entries.size()));
    const WrittenArchive written = writeArchive(
        plan, path, [&](std::int64_t done, std::int64_t) { return progress.advance(int(done)); });
    return !written.cancelled;
}

void showSkippedFiles(QWidget* parent, const std::vector<SkippedFile>& skipped) {
    if (skipped.empty()) return;
    desktop().showMessage(parent, DesktopServices::MessageKind::Warning,
                          QCoreApplication::applicationName(),
                          QString::fromStdString(skippedFilesMessage(skipped)));
}

}  // namespace kelvane
