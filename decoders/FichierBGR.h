#pragma once

#include <QLocale>

#include "viewers/memo_window.h"

namespace kelvane {

// The object-file viewer: the decoded lines in an editable memo (never saved) with find and
// replace, under a tool bar with Quit and a highlighted search hint.
class TformBGR : public MemoWindow {
    Q_OBJECT

  public:
    explicit TformBGR(QWidget* parent = nullptr);

    // Fills the memo with the decoded lines of the file at `path`, reals written with the
    // decimal separator of the default locale. A file that cannot be read throws and
    // leaves the memo as it was.
    void Decode(const QString& path);
};

// The decimal separator `locale` writes, as one Windows-1252 byte; '.' when it has none.
char decimalSeparatorOf(const QLocale& locale);

}  // namespace kelvane
