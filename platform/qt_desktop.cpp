#include "platform/qt_desktop.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPoint>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStyle>
#include <QTextDocument>

namespace kelvane {
namespace {

QMessageBox::Icon boxIcon(DesktopServices::MessageKind kind) {
    switch (kind) {
        case DesktopServices::MessageKind::Information:
            return QMessageBox::Information;
        case DesktopServices::MessageKind::Warning:
            return QMessageBox::Warning;
        case DesktopServices::MessageKind::Error:
            break;
    }
    return QMessageBox::Critical;
}

QStyle::StandardPixmap stylePixmap(DesktopServices::MessageKind kind) {
    switch (kind) {
        case DesktopServices::MessageKind::Information:
            return QStyle::SP_MessageBoxInformation;
        case DesktopServices::MessageKind::Warning:
            return QStyle::SP_MessageBoxWarning;
        case DesktopServices::MessageKind::Error:
            break;
    }
    return QStyle::SP_MessageBoxCritical;
}

// Windows line breaks in messages would show as two breaks.
QString plainLines(const QString& text) {
    QString lines = text;
    return lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

struct Launch {
    QString program;
    QStringList arguments;
};

// A Windows program runs through wine when wine is installed.
Launch launchFor(const QString& program, const QStringList& arguments) {
    if (program.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive)) {
        const QString wine = QStandardPaths::findExecutable(QStringLiteral("wine"));
        if (!wine.isEmpty()) return {wine, QStringList{program} + arguments};
    }
    return {program, arguments};
}

}  // namespace

QString qtFileFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty() && parts[i + 1].isEmpty()) continue;
        const QString patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(' ');
        filters << parts[i] + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

void QtDesktop::showMessage(QWidget* parent, MessageKind kind, const QString& caption,
                            const QString& text) {
    QMessageBox box(boxIcon(kind), caption, plainLines(text), QMessageBox::Ok, parent);
    box.exec();
}

void QtDesktop::showButtonlessMessage(QWidget* parent, MessageKind kind, const QString& caption,
                                      const QString& text) {
    // QMessageBox insists on an OK button, so this is a plain dialog closed from its title bar.
    QDialog box(parent);
    box.setWindowTitle(caption);
    auto* layout = new QHBoxLayout(&box);
    auto* icon = new QLabel(&box);
    const int size = box.style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(box.style()->standardIcon(stylePixmap(kind)).pixmap(size, size));
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addWidget(new QLabel(plainLines(text), &box));
    layout->setSizeConstraint(QLayout::SetFixedSize);
    box.exec();
}

DesktopServices::Answer QtDesktop::askYesNoAll(QWidget* parent, const QString& caption,
                                               const QString& text, const QPoint& topLeft) {
    QMessageBox box(QMessageBox::Question, caption, plainLines(text),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll, parent);
    box.move(topLeft);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::YesToAll:
            return Answer::YesToAll;
        default:
            return Answer::Closed;
    }
}

QString QtDesktop::openFileName(QWidget* parent, const QString& filter,
                                const QString& initialDirectory) {
    return QFileDialog::getOpenFileName(parent, QString(), initialDirectory, qtFileFilter(filter));
}

QString QtDesktop::existingDirectory(QWidget* parent, const QString& title,
                                     const QString& initialDirectory) {
    return QFileDialog::getExistingDirectory(parent, title, initialDirectory,
                                             QFileDialog::ShowDirsOnly);
}

int QtDesktop::showModal(QDialog* window) {
    return window->exec();
}

bool QtDesktop::startProgram(const QString& program, const QStringList& arguments,
                             const QString& workingDirectory, bool /*hiddenWindow*/) {
    // Programs started here have no console window to hide on this platform.
    const Launch launch = launchFor(program, arguments);
    return QProcess::startDetached(launch.program, launch.arguments, workingDirectory);
}

bool QtDesktop::runProgram(const QString& program, const QStringList& arguments,
                           const QString& workingDirectory, int timeoutMs) {
    const Launch launch = launchFor(program, arguments);
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.start(launch.program, launch.arguments);
    if (!process.waitForStarted()) return false;
    if (process.waitForFinished(timeoutMs)) return process.exitStatus() == QProcess::NormalExit;
    process.kill();
    process.waitForFinished();
    return false;
}

bool QtDesktop::print(QWidget* parent, QTextDocument& document, const QString& jobTitle) {
    QPrinter printer;
    printer.setDocName(jobTitle);
    QPrintDialog dialog(&printer, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    document.print(&printer);
    return true;
}

}  // namespace kelvane
