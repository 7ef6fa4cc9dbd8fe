#include "platform/qt_desktop.h"

#include <QApplication>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
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
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        // Qt's "*.*" matches only names holding a dot.
        for (QString& pattern : patterns) {
            if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
        }
        // Some native dialogs match case-sensitively: offer the lower-case form as well.
        for (const QString& pattern : QStringList(patterns)) {
            if (!patterns.contains(pattern.toLower())) patterns << pattern.toLower();
        }
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

std::unique_ptr<QMessageBox> messageBox(QWidget* parent, QMessageBox::Icon icon,
                                        const QString& caption, const QString& text,
                                        QMessageBox::StandardButtons buttons) {
    auto box = std::make_unique<QMessageBox>(icon, caption, QString(), buttons, parent);
    box->setTextFormat(Qt::PlainText);
    box->setText(plainLines(text));
    return box;
}

std::unique_ptr<QDialog> buttonlessBox(QWidget* parent, DesktopServices::MessageKind kind,
                                       const QString& caption, const QString& text) {
    // QMessageBox insists on an OK button, so this is a plain dialog closed from its title bar.
    auto box = std::make_unique<QDialog>(parent);
    box->setWindowTitle(caption);
    auto* layout = new QHBoxLayout(box.get());
    auto* icon = new QLabel(box.get());
    const int size = box->style()->pixelMetric(QStyle::PM_MessageBoxIconSize);
    icon->setPixmap(box->style()->standardIcon(stylePixmap(kind)).pixmap(size, size));
    layout->addWidget(icon, 0, Qt::AlignTop);
    auto* label = new QLabel(box.get());
    label->setObjectName(QStringLiteral("MessageText"));
    label->setTextFormat(Qt::PlainText);
    label->setText(plainLines(text));
    layout->addWidget(label);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return box;
}

std::unique_ptr<QFileDialog> directoryDialog(QWidget* parent, const QString& title,
                                             const QString& initialDirectory,
                                             DesktopServices::NewFolders newFolders) {
    auto dialog = std::make_unique<QFileDialog>(parent, title, initialDirectory);
    dialog->setFileMode(QFileDialog::Directory);
    QFileDialog::Options options = QFileDialog::ShowDirsOnly;
    // A native picker may always offer a new folder; Qt's own one, read-only, never does.
    if (newFolders == DesktopServices::NewFolders::Refused)
        options |= QFileDialog::ReadOnly | QFileDialog::DontUseNativeDialog;
    dialog->setOptions(options);
    return dialog;
}

void QtDesktop::showMessage(QWidget* parent, MessageKind kind, const QString& caption,
                            const QString& text) {
    messageBox(parent, boxIcon(kind), caption, text, QMessageBox::Ok)->exec();
}

void QtDesktop::showButtonlessMessage(QWidget* parent, MessageKind kind, const QString& caption,
                                      const QString& text) {
    buttonlessBox(parent, kind, caption, text)->exec();
}

DesktopServices::Answer QtDesktop::askYesNoAll(QWidget* parent, const QString& caption,
                                               const QString& text, const QPoint& topLeft) {
    const auto box = messageBox(parent, QMessageBox::Question, caption, text,
                                QMessageBox::Yes | QMessageBox::No | QMessageBox::YesToAll);
    box->move(topLeft);
    switch (box->exec()) {
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

bool QtDesktop::askYesNo(QWidget* parent, const QString& caption, const QString& text) {
    return messageBox(parent, QMessageBox::Question, caption, text,
                      QMessageBox::Yes | QMessageBox::No)
               ->exec() == QMessageBox::Yes;
}

QString QtDesktop::openFileName(QWidget* parent, const QString& filter,
                                const QString& initialDirectory) {
    return QFileDialog::getOpenFileName(parent, QString(), initialDirectory, qtFileFilter(filter));
}

QStringList QtDesktop::openFileNames(QWidget* parent, const QString& filter,
                                     const QString& initialDirectory) {
    return QFileDialog::getOpenFileNames(parent, QString(), initialDirectory, qtFileFilter(filter));
}

QString QtDesktop::saveFileName(QWidget* parent, const QString& filter,
                                const QString& initialDirectory) {
    return QFileDialog::getSaveFileName(parent, QString(), initialDirectory, qtFileFilter(filter));
}

QString QtDesktop::existingDirectory(QWidget* parent, const QString& title,
                                     const QString& initialDirectory, NewFolders newFolders) {
    const auto dialog = directoryDialog(parent, title, initialDirectory, newFolders);
    if (dialog->exec() != QDialog::Accepted) return {};
    return dialog->selectedFiles().value(0);
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
