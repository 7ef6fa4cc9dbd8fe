#include "platform/desktop_services.h"

#include <QCoreApplication>
#include <QWidget>
#include <exception>
#include <stdexcept>

namespace kelvane {
namespace {

DesktopServices* current = nullptr;

void showError(QWidget* parent, const QString& text) {
    desktop().showMessage(parent, DesktopServices::MessageKind::Error,
                          QCoreApplication::applicationName(), text);
}

}  // namespace

DesktopServices& desktop() {
    if (current == nullptr) throw std::logic_error("desktop services not set");
    return *current;
}

void setDesktop(DesktopServices* services) {
    current = services;
}

void setLiteralTitle(QWidget* window, const QString& title) {
    // Qt shows a doubled marker as one literal "[*]".
    window->setWindowTitle(QString(title).replace(QLatin1String("[*]"), QLatin1String("[*][*]")));
}

void guarded(QWidget* parent, const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        showError(parent, QString::fromUtf8(error.what()));
    } catch (...) {
        showError(parent, QStringLiteral("Unknown error"));
    }
}

}  // namespace kelvane
