#pragma once

class QTranslator;

namespace kelvane {

// Qt's own dialogs and buttons (file and directory pickers, the print dialog, message-box
// buttons) speak the interface language: Qt's French translations are installed unless the
// interface is English. Returns the installed translator, owned by the application; null for
// English or when the translations are not installed on this system.
QTranslator* installQtTranslations(bool english);

}  // namespace kelvane
