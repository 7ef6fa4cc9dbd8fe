#include "browser/command_progress.h"

#include "settings/settings.h"

namespace kelvane {

int CommandProgress::showDelayMs = 400;

CommandProgress::CommandProgress(QWidget* parent, const char* objectName, const QString& label,
                                 int maximum)
    : dialog_(label, settings().isEnglish() ? QStringLiteral("Cancel") : QStringLiteral("Annuler"),
              0, maximum, parent) {
    dialog_.setObjectName(QString::fromUtf8(objectName));
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setMinimumDuration(showDelayMs);
    dialog_.setAutoReset(false);
}

CommandProgress::~CommandProgress() {
    dialog_.close();
}

bool CommandProgress::advance(int done) {
    dialog_.setValue(done);
    return !dialog_.wasCanceled();
}

}  // namespace kelvane
