#pragma once

#include <QLatin1String>
#include <QString>

class QWidget;

namespace kelvane {

// What the main window's source files share.

inline constexpr QLatin1String kAnyFileFilter("Tous fichiers|*.*|");

// Whether the name's extension, upper-cased, is .POD or .EPD.
bool isArchiveName(const QString& path);

// The title of the folder pickers, in the interface's language.
QString directoryPickerTitle();

// An error box with the application's name as its caption.
void showError(QWidget* parent, const QString& text);

}  // namespace kelvane
