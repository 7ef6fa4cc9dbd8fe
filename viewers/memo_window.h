#pragma once

#include "viewers/viewer_window.h"

class QLabel;
class QPlainTextEdit;

namespace kelvane {

class TMemoSearch;

// A viewer window whose tool bar holds Quit and the search hint, over an editable memo that is
// never saved, with find and replace. The text and object-file viewers are such windows.
class MemoWindow : public ViewerWindow {
    Q_OBJECT

  public:
    QPlainTextEdit* memo() const { return Memo; }
    TMemoSearch* memoSearch() const { return search_; }

  protected:
    MemoWindow(const QString& objectName, QWidget* parent);
    void FormActivate() override;

    QLabel* Label1;
    QPlainTextEdit* Memo;
    TMemoSearch* search_;
};

}  // namespace kelvane
