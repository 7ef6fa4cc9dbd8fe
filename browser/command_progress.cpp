#include "browser/command_progress.h"

#include <QCoreApplication>

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
    started_.start();
}

CommandProgress::~CommandProgress() {
    dialog_.close();
}

bool CommandProgress::advance(int done) {
    if (done != dialog_.value()) {
        dialog_.setValue(done);
    } else {
        // Qt ignores an unchanged value: a long step still shows the box once its delay has
        // passed, and a click on Cancel still gets through.
        if (!dialog_.isVisible() && started_.elapsed() >= showDelayMs) dialog_.show();
        QCoreApplication::processEvents();
    }
    return !dialog_.wasCanceled();
}

}  // namespace kelvane
