#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QToolBar;

namespace kelvane {

class TMemoSearch;

// A viewer window made of a tool bar (Quit and the search hint) over an editable memo that is
// never saved, with find and replace. The text and object-file viewers are such windows.
class MemoWindow : public QDialog {
    Q_OBJECT

  public:
    QPlainTextEdit* memo() const { return Memo; }
    TMemoSearch* memoSearch() const { return search_; }

  protected:
    MemoWindow(const QString& objectName, QWidget* parent);
    // Activation applies the English captions when the language says so and focuses the memo.
    bool event(QEvent* event) override;

    QToolBar* toolBar_;
    QPushButton* btnQuit;
    QLabel* Label1;
    QPlainTextEdit* Memo;
    TMemoSearch* search_;

  private:
    void FormActivate();
};

}  // namespace kelvane
